#include "player/messages.h"

#include <vector>

#include "core/diplomacy.h"
#include "core/model.h"
#include "core/text.h"
#include "core/stores.h"
#include "player/prompts.h"
#include "player/visit.h"

enum { BulletinBoard = 0 };

void ShowMessage(const TMessageRec& m, bool markNew)
{
    std::string head = "`8Day " + IntToText(m.Day);
    if (m.From == 0)
        head += "  notice`7";
    else
        head += "  from `7" + HouseColour(m.From) + HouseName(m.From) + "`7";
    if (markNew && m.Read == 0) head += "  `E(new)`7";
    SayLine(head);
    for (int i = 0; i < MessageLines; i++) {
        std::string line = MessageLine(m, i);
        if (!line.empty()) SayLine("  " + line);
    }
}

// Letters are kept in place and rewritten by the night under the lock, so
// they are written and marked under it too.
static void ReadMailboxScreen(int mailbox)
{
    PageReset();
    std::vector<TMessageRec> letters;
    ReadMailbox(Caller.Folder, mailbox, letters);
    int shown = 0;
    // Bulletins are nobody's to mark read, so none of them is ever "new".
    for (const TMessageRec& m : letters) {
        if (!PageMore()) break;
        ShowMessage(m, mailbox != BulletinBoard);
        shown++;
    }
    if (shown == 0) SayLine("`8No messages.`7");
    if (mailbox != BulletinBoard && !letters.empty() && StoreBegin(false)) {
        // Only what this list read: a letter that came meanwhile stays new.
        MarkShownRead(Caller.Folder, mailbox, letters);
        GameAbandon();
    }
}

void WriteMessage(int mailbox)
{
    SayLine("`8Up to " + IntToText(MessageLines) + " lines; an empty line ends the message.`7");
    std::vector<std::string> lines;
    // Words typed past the end of a line go on at the start of the next.
    std::string carried;
    while ((int)lines.size() < MessageLines) {
        bool last = (int)lines.size() == MessageLines - 1;
        std::string rest;
        std::string line = AskProse("`F>`7 ", MessageLineMax, carried, last ? nullptr : &rest);
        if (PromptBackedOut()) {
            // Lines already typed are thrown away only when the caller says so.
            if (lines.empty() || AskYesNo("Throw away the " + Counted((int64_t)lines.size(), "line") + " typed?")) {
                SayLine("`8Nothing sent.`7");
                return;
            }
            continue;
        }
        carried = rest;
        if (line.empty() && rest.empty()) break;
        if (!line.empty()) lines.push_back(WithoutColourCodes(line));
    }
    if (lines.empty()) {
        SayLine("`8Nothing sent.`7");
        return;
    }
    bool sent = SendLetter(mailbox, lines);
    SayLine(sent ? "`ASent.`7" : "`CThe message couldn't be saved.`7");
}

void MessagesScreen()
{
    while (GameLook()) {
        ClearPage();
        SayLine("`FMessages`7   " + IntToText(CountUnread(Caller.Folder, Caller.House)) + " new");
        SayRule();
        char key = AskKey(
            "`F[R]`7ead yours  `F[S]`7end to a house  `F[B]`7ulletin  `F[P]`7ost a bulletin  `F[Q]`7 back: ",
            "RSBPQ\r\x1b");
        if (std::string("RSBP").find(key) == std::string::npos) return;
        if (!StillToday()) continue;
        switch (key) {
        case 'R': ReadMailboxScreen(Caller.House); break;
        case 'B': ReadMailboxScreen(BulletinBoard); break;
        case 'P': WriteMessage(BulletinBoard); break;
        case 'S': {
            int to = PickHouse("To which house? ");
            if (to >= 0) WriteMessage(to);
            break;
        }
        default: return;
        }
        PressKey();
    }
}
