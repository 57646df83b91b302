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
    while ((int)lines.size() < MessageLines) {
        std::string line = AskLine("`F>`7 ", MessageLineMax);
        if (PromptBackedOut()) {
            SayLine("`8Nothing sent.`7");
            return;
        }
        if (line.empty()) break;
        // A colour code in a letter would reach the reader's screen.
        for (char& c : line)
            if (c == '`') c = '\'';
        lines.push_back(line);
    }
    if (lines.empty()) {
        SayLine("`8Nothing sent.`7");
        return;
    }
    int day = Game.Header.Day;
    if (!StoreBegin(false)) return;
    bool sent = SendMessage(Caller.Folder, Caller.House, mailbox, day, lines);
    GameAbandon();
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

static std::string PriceText(int price)
{
    return IntToText(price / 100) + "." + (price % 100 < 10 ? "0" : "") + IntToText(price % 100);
}

static int ResourceKey(char key)
{
    return key == 'O' ? ResourceOre : key == 'F' ? ResourceFuel : key == 'I' ? ResourceInfluence : -1;
}

void ExchangeScreen()
{
    while (GameLook()) {
        int h = Caller.House;
        const THouse& hr = HouseRec(h);
        ClearPage();
        // The Exchange's system is named only to those who have found it.
        bool found = ExchangeFound(h);
        SayLine(found ? "`FThe Exchange`7 at " + SystemName(Game.Header.ExchangeSystem) : "`FThe Exchange`7");
        SayRule();
        if (!found) {
            SayLine("You haven't found the Exchange yet. It lies somewhere near the middle of the Thyre.");
            PressKey();
            return;
        }
        int fee = ExchangeFeeOf(h);
        SayLine("Prices today, in ore:  1 ore = 1.00   1 fuel = " + PriceText(Game.Header.Price[ResourceFuel]) +
                "   1 influence = " + PriceText(Game.Header.Price[ResourceInfluence]));
        SayLine("You have " + GroupThousands(hr.Ore) + " ore, " + GroupThousands(hr.Fuel) + " fuel, " +
                GroupThousands(hr.Influence) + " influence.");
        if (fee == 0)
            SayLine("`8You have a presence here: no broker's fee.`7");
        else
            SayLine("`8You have no ship or world here, so brokers take an extra " + IntToText(fee) + "%.`7");
        SayLine("`8Every trade loses 10% to the market, and big trades move the prices.`7");
        SayRule();
        int s = ResourceKey(AskKey("Sell `F[O]`7re `F[F]`7uel `F[I]`7nfluence, or `F[Q]`7 back: ", "OFIQ\r\x1b"));
        if (s < 0) return;
        int b = ResourceKey(AskKey("For `F[O]`7re `F[F]`7uel `F[I]`7nfluence: ", "OFI\r"));
        if (b < 0 || b == s) continue;
        int64_t stock = HouseStock(h, s);
        int64_t m = AskNumber("How much " + ResourceName(s) + " (you have " + IntToText(stock) + ")? ", 1,
                              Max(1, stock));
        if (m < 1) continue;
        int64_t got = 0;
        if (ChangeGame([&] { return ExchangeTrade(h, s, b, m, &got); }))
            SayLine("`AYou sold " + IntToText(m) + " " + ResourceName(s) + " for " + IntToText(got) + " " +
                    ResourceName(b) + ".`7");
        PressKey();
    }
}
