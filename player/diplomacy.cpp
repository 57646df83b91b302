#include "player/diplomacy.h"

#include <functional>
#include <vector>

#include "core/diplomacy.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/rules.h"
#include "core/text.h"
#include "player/prompts.h"
#include "player/visit.h"

int PickTreaty(const std::string& prompt)
{
    SayLine("`FPeace`7 (" + IntToText(PeaceCost) + ") - your fleets don't fight and may pass through each other's systems");
    SayLine("`FTrade`7 (" + IntToText(TradeCost) + ") - you can send each other resources");
    SayLine("`FCharts`7 (" + IntToText(ChartsCost) + ") - each sees what the other sees");
    SayLine("`FAlliance`7 (" + IntToText(AllianceCost) + ") - fight side by side; includes peace; shared victory");
    SayLine("`8The cost in influence is paid by both houses when the treaty is signed.`7");
    char key = AskKey(prompt + " `F[P]`7eace `F[T]`7rade `F[C]`7harts `F[A]`7lliance: ", "PTCA\r\x1b");
    switch (key) {
    case 'P': return TreatyPeace;
    case 'T': return TreatyTrade;
    case 'C': return TreatyCharts;
    case 'A': return TreatyAlliance;
    default: return 0;
    }
}

// The caller's house by its name, for the notices.
static std::string CallerName() { return StrGet(HouseRec(Caller.House).Name); }

// Another house as the caller picked it: by the time the change is made its
// slot may hold a house founded since (the first one dissolved).
struct THouseSeen {
    int House = -1;
    std::string Name, Player;
};

static THouseSeen SeeHouse(int h)
{
    THouseSeen seen;
    if (!IsHouse(h)) return seen;
    seen.House = h;
    seen.Name = StrGet(HouseRec(h).Name);
    seen.Player = StrGet(HouseRec(h).Player);
    return seen;
}

// One change concerning another house, refused unchanged when the house in
// that slot is no longer the one the caller picked.
static bool ChangeWith(const THouseSeen& seen, const TChange& change, int64_t* result = nullptr)
{
    return ChangeGame(
        change,
        [&]() -> std::string {
            if (!IsHouse(seen.House) || HouseRec(seen.House).Status == StatusFree ||
                StrGet(HouseRec(seen.House).Name) != seen.Name || StrGet(HouseRec(seen.House).Player) != seen.Player)
                return "That house has changed; look again.";
            return "";
        },
        result);
}

static void OfferDialog()
{
    int other = PickHouse("Offer to which house? ");
    if (other < 0) return PressKey();
    int bit = PickTreaty("Offer");
    if (bit == 0) return;
    THouseSeen seen = SeeHouse(other);
    if (Relation(Caller.House, other).Treaties & bit) {
        SayError("You already have that treaty.");
    } else if (ChangeWith(seen, CallerChange(ChangeOfferTreaty, {other, bit}))) {
        SendNotice(other, CallerName() + " offers you " + WithArticle(TreatyWords(bit)) + " treaty (see Diplomacy).");
        SayLine("`AOffer sent.`7");
    }
    PressKey();
}

static void AcceptDialog()
{
    bool offered = false;
    int met[MaxHouseSlots];
    int count = MetHouses(met);
    for (int i = 0; i < count; i++) offered = offered || Relation(met[i], Caller.House).Offer != 0;
    if (!offered) {
        SayLine("`8Nobody has offered you anything.`7");
        PressKey();
        return;
    }
    int other = PickHouse("Accept an offer from which house? ");
    if (other >= 0 && Relation(other, Caller.House).Offer == 0)
        SayLine("`8" + StrGet(HouseRec(other).Name) + " has offered you nothing.`7");
    if (other < 0 || Relation(other, Caller.House).Offer == 0) return PressKey();
    int64_t bits = 0;
    THouseSeen seen = SeeHouse(other);
    if (ChangeWith(seen, CallerChange(ChangeAcceptTreaty, {other}), &bits)) {
        if (Caller.LeagueMember) {
            // The host signs it (or refuses it, by letter) and tells the other house.
            SayLine("`AAccepted: " + TreatyWords((int)bits) + " with " + StrGet(HouseRec(other).Name) + ".`7");
            SayLine("`AThe league's host signs it tonight (or writes to say why not).`7");
        } else {
            SendNotice(other, CallerName() + " has accepted your " + TreatyWords((int)bits) + " treaty.");
            SayLine("`ASigned: " + TreatyWords((int)bits) + " with " + StrGet(HouseRec(other).Name) + ".`7");
        }
    }
    PressKey();
}

static void EndDialog()
{
    int other = PickHouse("End treaties with which house? ");
    if (other < 0) return PressKey();
    int treaties = Relation(Caller.House, other).Treaties;
    if (treaties == 0) {
        SayLine("`8You have no treaty with " + StrGet(HouseRec(other).Name) + ".`7");
        return PressKey();
    }
    int days = (treaties & TreatyAlliance) ? NoticeDaysAlliance : NoticeDays;
    SayLine("Giving notice ends them in " + IntToText(days) + " days. Breaking them now costs " +
            IntToText(BreakInfluence) + " influence and loyalty on all your worlds.");
    char key = AskKey("`F[N]`7otice  `F[B]`7reak now  `F[Q]`7 keep them: ", "NBQ\r\x1b");
    THouseSeen seen = SeeHouse(other);
    if (key == 'N') {
        int64_t end = 0;
        if (ChangeWith(seen, CallerChange(ChangeGiveNotice, {other}), &end)) {
            SendNotice(other, CallerName() + " has given notice: your treaties end on day " + IntToText(end) + ".");
            SayLine("`ANotice given: your treaties with " + seen.Name + " end on day " + IntToText(end) + ".`7");
        }
        PressKey();
    } else if (key == 'B') {
        if (ChangeWith(seen, CallerChange(ChangeBreakTreaties, {other}))) {
            SendNotice(other, CallerName() + " has broken every treaty with you!");
            SayLine("`AYour treaties with " + seen.Name + " are broken.`7");
        }
        PressKey();
    }
}

// The houses tribute may go to: those met and in the game, and those the
// caller pays already, whatever became of them, so it can always be stopped.
static int PickTributeHouse()
{
    int met[MaxHouseSlots], listed[MaxHouseSlots], count = 0;
    bool isMet[MaxHouseSlots + 1] = {};
    for (int i = 0, n = MetHouses(met); i < n; i++) isMet[met[i]] = true;
    for (int o = 1; o <= MaxHouseSlots; o++)
        if (o != Caller.House && (isMet[o] || Relation(Caller.House, o).Tribute != 0)) listed[count++] = o;
    return PickListedHouse("Pay tribute to which house? ", listed, count);
}

static void TributeDialog()
{
    int other = PickTributeHouse();
    if (other < 0) return PressKey();
    THouseSeen seen = SeeHouse(other);
    int64_t amount = AskNumber("Ore a day to pay (0 stops it): ", 0, TributeMax);
    if (amount < 0) return PressKey();
    if (ChangeWith(seen, CallerChange(ChangeTribute, {other, amount}))) {
        if (amount == 0) {
            SendNotice(other, CallerName() + " has stopped paying tribute.");
            SayLine("`ANo more tribute goes to " + seen.Name + ".`7");
        } else {
            SendNotice(other, CallerName() + " will pay you " + IntToText(amount) + " ore a day in tribute.");
            SayLine("`AYou will pay " + seen.Name + " " + IntToText(amount) + " ore a day.`7");
        }
    }
    PressKey();
}

static void GiftDialog()
{
    int other = PickHouse("Send a gift to which house? ");
    if (other < 0) return PressKey();
    if (!(Relation(Caller.House, other).Treaties & TreatyTrade)) {
        SayError("You need a Trade treaty with them to send resources.");
        PressKey();
        return;
    }
    THouseSeen seen = SeeHouse(other);
    char key = AskKey("Send `F[O]`7re `F[F]`7uel or `F[I]`7nfluence? ", "OFI\r");
    int resource = key == 'O' ? ResourceOre : key == 'F' ? ResourceFuel : key == 'I' ? ResourceInfluence : -1;
    if (resource < 0) return;
    int64_t amount = AskNumber("How much? ", 1, GiftMax);
    if (amount < 1) return PressKey();
    if (ChangeWith(seen, CallerChange(ChangeGift, {other, resource, amount}))) {
        SendNotice(other, CallerName() + " sent you a gift of " + IntToText(amount) + " " + ResourceName(resource) +
                              ".");
        SayLine("`ASent.`7");
    }
    PressKey();
}

// A house's row; notes that would run past the screen's edge go whole on
// the lines below, under the notes column.
static void SayHouseLine(int o)
{
    const TRelation &mine = Relation(Caller.House, o), &theirs = Relation(o, Caller.House);
    std::string line = HouseColour(o) + PadRight(StrGet(HouseRec(o).Name), 24) + "`7 " + PadRight(TreatyList(mine.Treaties), 22);
    std::vector<std::string> notes;
    if (mine.NoticeDay) notes.push_back(" `Cends day " + IntToText(mine.NoticeDay) + "`7");
    if (theirs.Offer) notes.push_back(" `Eoffers " + TreatyList(theirs.Offer) + "`7");
    if (mine.Offer) notes.push_back(" `8you offered " + TreatyList(mine.Offer) + "`7");
    if (mine.Tribute) notes.push_back(" `8you pay " + IntToText(mine.Tribute) + "/day`7");
    if (theirs.Tribute) notes.push_back(" `Apays you " + IntToText(theirs.Tribute) + "/day`7");
    const int notesColumn = 47;
    for (const std::string& note : notes) {
        if (VisibleLength(line) + VisibleLength(note) > ScreenColumns && VisibleLength(line) > notesColumn) {
            SayLine(line);
            line = std::string((size_t)Max(0, Min(notesColumn, ScreenColumns - VisibleLength(note))), ' ');
        }
        line += note;
    }
    SayLine(line);
}

void DiplomacyScreen()
{
    while (GameLook()) {
        ClearPage();
        PageReset();
        SayLine("`FDiplomacy`7   influence `F" + GroupThousands(HouseRec(Caller.House).Influence) + "`7");
        SayRule();
        SayLine("`FHouse                    Treaties               Notes`7");
        int met[MaxHouseSlots];
        int listed = MetHouses(met);
        for (int i = 0; i < listed; i++) {
            if (!PageMore()) break;
            SayHouseLine(met[i]);
        }
        if (listed == 0) SayLine("`8You haven't met any other house yet. Explore to find them.`7");
        SayRule();
        char key = AskKey("`F[O]`7ffer `F[A]`7ccept `F[E]`7nd treaties `F[T]`7ribute `F[G]`7ift `F[Q]`7 back: ",
                          "OAETGQ\r\x1b");
        if (std::string("OAETG").find(key) == std::string::npos) return;
        // Offers made tonight or by another node since the list was drawn count.
        if (!StillToday()) continue;
        switch (key) {
        case 'O': OfferDialog(); break;
        case 'A': AcceptDialog(); break;
        case 'E': EndDialog(); break;
        case 'T': TributeDialog(); break;
        case 'G': GiftDialog(); break;
        default: return;
        }
    }
}
