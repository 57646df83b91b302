#include "player/worlds.h"

#include <string>

#include "core/model.h"
#include "core/orders.h"
#include "core/output.h"
#include "core/rules.h"
#include "core/text.h"
#include "player/map.h"
#include "player/prompts.h"
#include "player/visit.h"

enum { WorldListCapacity = 199 };

// What each building does, as the screens tell it.
static const char* const BuildingDoes[7] = {
    "",
    "+12 ore a day",
    "+8 fuel a day",
    "lets the world build ships",
    "+40 shields",
    "+15 garrison, stronger against invasion",
    "+10 research a day",
};

static const char* const ShipNotes[7] = {
    "scout: explores, sees one lane ahead",
    "strong against Skiffs and transports",
    "blunts Lancers, strong in Hold",
    "beats Wardens and shields; 1 ore/day",
    "carries 10 troops for invasions",
    "founds a colony on an unclaimed world",
    "station: can't move; guards its system",
};

static const char* const OrderedLegend = "`8lower case: ordered, ready tomorrow`7";

// A building ordered for a world shows, in lower case, in the slot the
// night will put it in (the first empty ones, in the order of the orders).
// A gas giant station shows no empty slot: nothing can be built there.
static std::string Slots(int w, bool* ordered = nullptr)
{
    const TWorld& wd = Game.Worlds[w];
    int building[MaxBuildingSlots];
    for (int i = 0; i < MaxBuildingSlots; i++) building[i] = wd.Buildings[i];
    int slots = (int)Min(SlotCount(w), MaxBuildingSlots);
    bool coming[MaxBuildingSlots] = {};
    for (int b = 0; b < Game.Header.BuildCount; b++) {
        const TBuildOrder& bo = Game.Builds[b];
        if (bo.World != w || !IsBuildingItem(bo.Item)) continue;
        for (int i = 0; i < slots; i++)
            if (building[i] == BuildNone) {
                building[i] = bo.Item - BuildItemBuilding;
                coming[i] = true;
                break;
            }
    }
    std::string text;
    for (int i = 0; i < slots; i++) {
        if (building[i] == BuildNone && wd.Kind == KindGasGiant) continue;
        std::string shortName = BuildingShort(building[i]);
        if (coming[i]) {
            for (char& c : shortName) c = (char)(c >= 'A' && c <= 'Z' ? c + 32 : c);
            if (ordered) *ordered = true;
        }
        text += shortName;
    }
    return text;
}

std::vector<int> WorldList(int capacity, bool* ordered)
{
    std::vector<int> list;
    SayLine("`F # World          Kind      Pop(k) Focus    Loy Shd Gar  Ore Fuel Inf Slots`7");
    int capital = HouseRec(Caller.House).Capital;
    for (int w = 0; w < Game.Header.WorldCount && (int)list.size() <= capacity; w++) {
        const TWorld& wd = Game.Worlds[w];
        if (wd.Owner != Caller.House) continue;
        if (!PageMore()) break;
        list.push_back(w);
        TOutput o = WorldOutput(w);
        std::string name = WorldName(w), slots = Slots(w, ordered);
        std::string line = "`F" + PadLeft(IntToText((int64_t)list.size()), 2) + " " + (w == capital ? "`E" : "`7") +
                           PadRight(name.substr(0, 14), 14) + "`7 " + PadRight(WorldKindName(wd.Kind), 9) +
                           PadLeft(GroupThousands(wd.Pop), 7) + " " + PadRight(FocusName(wd.Focus), 8) +
                           PadLeft(IntToText(wd.Loyalty), 4) + PadLeft(IntToText(wd.Shield), 4) +
                           PadLeft(IntToText(wd.Garrison), 4) + PadLeft(IntToText(o.Ore), 5) +
                           PadLeft(IntToText(o.Fuel), 5) + PadLeft(IntToText(o.Influence), 4);
        // A name longer than its column, or building slots that would reach
        // the last column, go whole on a second line.
        bool slotsFit = VisibleLength(line) + 1 + (int)slots.size() <= ScreenColumns;
        if (slotsFit) line += " `8" + slots;
        SayLine(line + "`7");
        if (name.size() > 14 || !slotsFit) {
            std::string more = name.size() > 14 ? "   `8(" + name + ")`7" : "";
            if (!slotsFit)
                more += std::string((size_t)Max(1, ScreenColumns - (int)slots.size() - VisibleLength(more)), ' ') +
                        "`8" + slots + "`7";
            SayLine(more);
        }
    }
    return list;
}

void WorldsScreen()
{
    while (GameLook()) {
        ClearPage();
        PageReset();
        bool ordered = false;
        std::vector<int> list = WorldList(WorldListCapacity, &ordered);
        SayLine(BuildLegend);
        if (ordered) SayLine(OrderedLegend);
        int64_t n = AskNumber("World number, or Enter to go back: ", 1, Max(1, (int64_t)list.size()));
        if (n < 1 && NumberRefused()) continue;
        if (n < 1) return;
        if (n <= (int64_t)list.size()) WorldScreen(list[(size_t)n - 1]);
    }
}

static void FocusDialog(int w)
{
    SayLine("`FBalanced`7 - no bonus  `FMining`7 - ore x1.5  `FFuel`7 - fuel x1.5");
    SayLine("`FGrowth`7 - influence x1.5, double growth");
    SayLine("`FDefence`7 - stronger shields and garrison, output x0.75");
    char key = AskKey("Focus: `F[A]`7 Balanced `F[M]`7ining F`F[U]`7el `F[G]`7rowth `F[D]`7efence: ", "AMUGD\r");
    static const std::string Keys = "AMUGD";
    size_t focus = Keys.find(key);
    if (focus == std::string::npos) return;
    ChangeGame(CallerChange(ChangeFocus, {w, (int64_t)focus}));
}

void WorldScreen(int w)
{
    while (GameLook()) {
        if (!IsWorld(w) || Game.Worlds[w].Owner != Caller.House) {
            SayLine("`CThat world is no longer yours.`7");
            PressKey();
            return;
        }
        const TWorld& wd = Game.Worlds[w];
        TOutput o = WorldOutput(w);
        ClearPage();
        SayLine("`F" + WorldName(w) + "`7, " + WorldKindName(wd.Kind));
        SayRule();
        SayLine("Population " + GroupThousands(wd.Pop) + "k of " + GroupThousands(wd.MaxPop) + "k   Loyalty " +
                IntToText(wd.Loyalty) + "   Shields " + IntToText(wd.Shield) + "   Garrison " + IntToText(wd.Garrison));
        SayLine("Produces a day: `F" + IntToText(o.Ore) + "`7 ore, `F" + IntToText(o.Fuel) + "`7 fuel, `F" +
                IntToText(o.Influence) + "`7 influence   Focus: `F" + FocusName(wd.Focus) + "`7");
        bool ordered = false;
        if (wd.Kind == KindGasGiant && Slots(w).empty())
            SayLine("Buildings: none  `8(nothing can be built on a gas giant station)`7");
        else
            SayLine("Buildings: " + Slots(w, &ordered) + "  `8(" + IntToText(Max(0, FreeSlots(w))) + " free)`7");
        if (ordered) SayLine(OrderedLegend);
        if (wd.Unrest > 0) SayLine("`CUnrest: output halved for " + Counted(wd.Unrest, "more day") + ".`7");
        if (wd.Blockaded) SayLine("`CBlockaded: output and growth halved.`7");
        if (wd.Relic) SayLine("`EA relic of the Thyre is kept here.`7");
        SayRule();
        char key = AskKey("`F[F]`7ocus  `F[B]`7uilding  `F[S]`7hips  `F[L]`7ook at the system  `F[Q]`7 back: ",
                          "FBSLQ\r\x1b");
        if (std::string("FBSL").find(key) == std::string::npos) return;
        if (!StillToday()) continue;
        switch (key) {
        case 'B':
            BuildBuildingDialog(w);
            PressKey();
            break;
        case 'S':
            BuildShipDialog(w);
            PressKey();
            break;
        case 'F': FocusDialog(w); break;
        case 'L': SystemView(wd.System); break;
        default: return;
        }
    }
}

void BuildShipDialog(int w)
{
    int h = Caller.House;
    if (CountBuildings(w, BuildShipyard) == 0) {
        SayLine("`C" + WorldName(w) + " has no shipyard.`7");
        return;
    }
    SayLine("`F #  Ship      Cost  Attack  Hull  Speed  Notes`7");
    for (int c = 0; c < ShipClasses; c++) {
        const TShipClass& k = ShipClassTable[c];
        SayLine("`F" + PadLeft(IntToText(c + 1), 2) + "`7  " + PadRight(k.Name, 8) + PadLeft(IntToText(ShipCost(h, c)), 6) +
                PadLeft(IntToText(k.Attack), 8) + PadLeft(IntToText(k.Hull), 6) + PadLeft(IntToText(k.Speed), 7) +
                "  `8" + ShipNotes[c] + "`7");
    }
    SayLine("You have `F" + GroupThousands(HouseRec(h).Ore) + "`7 ore.");
    int64_t n = AskNumber("Build which ship (number)? ", 1, 7);
    if (n < 1) return;
    int c = (int)n - 1;
    int64_t price = ShipCost(h, c);
    int64_t most = price > 0 ? HouseRec(h).Ore / price : 0;
    if (most <= 0) {
        SayLine("`CYou can't afford " + WithArticle(ShipName(c)) + ".`7");
        return;
    }
    int64_t count = AskNumber("How many (up to " + IntToText(most) + ")? ", 1, most);
    if (count < 1) return;
    if (ChangeGame(CallerChange(ChangeBuildShips, {w, c, Min(count, 65535)})))
        SayLine("`A" + Counted(count, ShipName(c)) + " ordered at " + WorldName(w) + "; ready tomorrow.`7");
}

void BuildBuildingDialog(int w)
{
    int h = Caller.House;
    if (Game.Worlds[w].Kind == KindGasGiant) {
        SayError(BuildingRefusal(h, w));
        return;
    }
    if (FreeSlots(w) <= 0) {
        SayLine("`C" + WorldName(w) + " has no free building slots.`7");
        return;
    }
    SayLine("`F #  Building   Cost  Does`7");
    for (int k = 1; k <= 6; k++)
        SayLine("`F" + PadLeft(IntToText(k), 2) + "`7  " + PadRight(BuildingName(k), 9) +
                PadLeft(IntToText(BuildingCost(h, k)), 6) + "  `8" + BuildingDoes[k] + "`7");
    int64_t n = AskNumber("Build which (number)? ", 1, 6);
    if (n < 1) return;
    int k = (int)n;
    if (ChangeGame(CallerChange(ChangeBuildBuilding, {w, k})))
        SayLine("`A" + CapitalFirst(WithArticle(BuildingName(k))) + " is ordered on " + WorldName(w) +
                "; ready tomorrow.`7");
}

struct TListedOrder {
    int Index, World, Item, Count;
    bool operator==(const TListedOrder&) const = default;
};

// House h's build orders, in the order the build screen lists them.
static std::vector<TListedOrder> ListedOrders(int h)
{
    std::vector<TListedOrder> orders;
    for (int b = 0; b < Game.Header.BuildCount; b++) {
        const TBuildOrder& bo = Game.Builds[b];
        if (bo.House == h) orders.push_back({b, bo.World, bo.Item, bo.Count});
    }
    return orders;
}

static void ShipsAtAShipyard()
{
    std::vector<int> yards;
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == Caller.House && CountBuildings(w, BuildShipyard) > 0) yards.push_back(w);
    if (yards.empty()) {
        SayLine("`CYou have no shipyard. Build one on a world first.`7");
        return;
    }
    int w = yards[0];
    if (yards.size() > 1) {
        for (size_t i = 0; i < yards.size(); i++) SayLine("  `F" + IntToText((int64_t)i + 1) + "`7  " + WorldName(yards[i]));
        int64_t n = AskNumber("At which shipyard? ", 1, (int64_t)yards.size());
        if (n < 1) return;
        w = yards[(size_t)n - 1];
    }
    BuildShipDialog(w);
}

void BuildScreen()
{
    // Cancel asked over a list another node or caller has changed since
    // it was drawn: the list is drawn again and the question asked over it.
    bool cancelAgain = false;
    while (GameLook()) {
        int h = Caller.House;
        ClearPage();
        PageReset();
        SayLine("`FBuild orders for tomorrow`7   ore `F" + GroupThousands(HouseRec(h).Ore) + "`7");
        SayRule();
        std::vector<TListedOrder> orders = ListedOrders(h);
        for (size_t i = 0; i < orders.size(); i++) {
            if (!PageMore()) break;
            const TBuildOrder& bo = Game.Builds[orders[i].Index];
            std::string what = IsShipItem(bo.Item) ? IntToText(bo.Count) + " " + ShipName(bo.Item)
                                                   : BuildingName(bo.Item - BuildItemBuilding);
            SayLine("`F" + PadLeft(IntToText((int64_t)i + 1), 2) + "`7  " + PadRight(WorldName(bo.World), 18) + what);
        }
        if (orders.empty()) SayLine("`8Nothing on order.`7");
        SayRule();
        const std::string prompt = "`F[S]`7hips  `F[B]`7uilding  `F[C]`7ancel an order  `F[Q]`7 back: ";
        if (cancelAgain) SayLine(prompt + "C");
        char key = cancelAgain ? 'C' : AskKey(prompt, "SBCQ\r\x1b");
        if (std::string("SBC").find(key) == std::string::npos) return;
        if (!cancelAgain && !StillToday()) continue;
        if (key == 'C' && !cancelAgain && ListedOrders(h) != orders) {
            cancelAgain = true;
            continue;
        }
        cancelAgain = false;
        if (key == 'S') {
            ShipsAtAShipyard();
            PressKey();
        } else if (key == 'B') {
            // The list goes on below the orders: it pauses when the two
            // together are taller than the caller's screen.
            std::vector<int> list = WorldList(WorldListCapacity);
            int64_t n = AskNumber("On which world? ", 1, Max(1, (int64_t)list.size()));
            if (n >= 1 && n <= (int64_t)list.size()) BuildBuildingDialog(list[(size_t)n - 1]);
            PressKey();
        } else if (key == 'C') {
            if (orders.empty()) {
                SayLine("`8Nothing is on order, so there is nothing to cancel.`7");
                PressKey();
                continue;
            }
            int64_t n = AskNumber("Cancel which order (refunded in full)? ", 1, (int64_t)orders.size());
            if (n < 1) continue;
            TListedOrder o = orders[(size_t)n - 1];
            if (ChangeGame(CallerChange(ChangeCancelBuild, {o.Index, o.World, o.Item, o.Count})))
                SayLine("`AOrder cancelled.`7");
            PressKey();
        } else {
            return;
        }
    }
}
