#include "player/fleets.h"

#include <functional>

#include "core/model.h"
#include "core/orders.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/text.h"
#include "player/map.h"
#include "player/prompts.h"
#include "player/visit.h"

enum { FleetListCapacity = 199, EscortListCapacity = 63, JoinListMax = 64 };

static int RouteLength(int from, int to)
{
    if (!IsSystem(from) || !IsSystem(to)) return -1;
    return HopDistances(from)[to];
}

std::string ShortShips(int f)
{
    const TFleet& fl = Game.Fleets[f];
    std::string text;
    for (int c = 0; c < ShipClasses; c++) {
        if (fl.Ships[c] == 0) continue;
        if (!text.empty()) text += " ";
        text += IntToText(fl.Ships[c]) + ShipShort(c);
    }
    if (fl.Troops > 0) text += " +" + IntToText(fl.Troops) + "tr";
    return text;
}

std::string FleetHeading(int f)
{
    const TFleet& fl = Game.Fleets[f];
    if (fl.Dest < 0 || fl.Dest == fl.Loc || !IsSystem(fl.Dest)) return "";
    int lanes = RouteLength(fl.Loc, fl.Dest), speed = FleetMoveSpeed(f);
    if (lanes < 0) return SystemName(fl.Dest) + " (no route)";
    if (lanes > 0 && speed > 0) return SystemName(fl.Dest) + " (" + IntToText((lanes + speed - 1) / speed) + "d)";
    return SystemName(fl.Dest);
}

std::vector<int> FleetList(int capacity)
{
    std::vector<int> list;
    SayLine("`F #  Fleet           At              Heading for          Order    Ships`7");
    for (int f = 0; f < Game.Header.FleetCount && (int)list.size() <= capacity; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House != Caller.House) continue;
        if (!PageMore()) break;
        list.push_back(f);
        std::string line = "`F" + PadLeft(IntToText((int64_t)list.size()), 2) + "`7  " + PadRight(StrGet(fl.Name), 15) +
                           " " + PadRight(SystemName(fl.Loc), 15) + " " + PadRight(FleetHeading(f), 20) + " " +
                           PadRight(OrderName(fl.Order), 8) + " ";
        // Ships that would reach past the last column go whole on a second
        // line, as the world list does with its slots: none is cut in two.
        std::string ships = ShortShips(f);
        if (VisibleLength(line) + (int)ships.size() <= ScreenColumns) {
            SayLine(line + "`B" + ships + "`7");
        } else {
            SayLine(ColourPrefix(line, ScreenColumns) + "`7");
            SayLine(std::string((size_t)Max(1, ScreenColumns - (int)ships.size()), ' ') + "`B" + ships + "`7");
        }
    }
    if (list.empty()) SayLine("`8You have no fleets.`7");
    return list;
}

static bool StillMine(int f) { return IsFleet(f) && Game.Fleets[f].House == Caller.House; }

// A fleet as the caller saw it on the screen an order is given from.  Every
// change re-checks it under the lock: the fleet may since have been merged
// away, destroyed in the night or its slot taken by another fleet.
struct TFleetSeen {
    int Fleet = -1;
    int House = 0;
    std::string Name;
    int Loc = -1;
    int Troops = 0;
    int Ships[ShipClasses] = {};
};

static TFleetSeen SeeFleet(int f)
{
    TFleetSeen seen;
    if (!IsFleet(f)) return seen;
    const TFleet& fl = Game.Fleets[f];
    seen.Fleet = f;
    seen.House = fl.House;
    seen.Name = StrGet(fl.Name);
    seen.Loc = fl.Loc;
    seen.Troops = fl.Troops;
    for (int c = 0; c < ShipClasses; c++) seen.Ships[c] = fl.Ships[c];
    return seen;
}

static const char* const FleetChangedText = "That fleet has changed; look again.";

// Empty while the fleet is still the one seen; otherwise the refusal.
static std::string FleetChanged(const TFleetSeen& seen)
{
    if (!IsFleet(seen.Fleet)) return FleetChangedText;
    const TFleet& fl = Game.Fleets[seen.Fleet];
    bool same = fl.House == seen.House && StrGet(fl.Name) == seen.Name && fl.Loc == seen.Loc &&
                fl.Troops == seen.Troops;
    for (int c = 0; c < ShipClasses; c++) same = same && fl.Ships[c] == seen.Ships[c];
    return same ? "" : FleetChangedText;
}

// One change to a fleet the caller saw (and to a second one, when the order
// names another fleet): refused unchanged when either is not as seen.
static bool ChangeFleet(const TFleetSeen& seen, const TChange& change, const TFleetSeen* other = nullptr)
{
    return ChangeGame(change, [&] {
        std::string changed = FleetChanged(seen);
        if (changed.empty() && other) changed = FleetChanged(*other);
        return changed;
    });
}

static void FleetDetail(int f)
{
    const TFleet& fl = Game.Fleets[f];
    ClearPage();
    SayLine("`F" + StrGet(fl.Name) + "`7 at `F" + SystemName(fl.Loc) + "`7");
    SayRule();
    SayLine("Ships:     " + ShipList(fl));
    int haulers = fl.Ships[ShipHauler];
    if (haulers > 0)
        SayLine("Troops:    " + IntToText(fl.Troops) + " (room for " +
                IntToText((int64_t)ShipClassTable[ShipHauler].Capacity * haulers) + ")");
    std::string orders = "Orders:    " + OrderName(fl.Order);
    if ((fl.Order == OrderInvade || fl.Order == OrderSettle) && IsWorld(fl.Target)) orders += " " + WorldName(fl.Target);
    if (fl.Order == OrderEscort && IsFleet(fl.Target)) orders += " " + StrGet(Game.Fleets[fl.Target].Name);
    SayLine(orders);
    // A standing landing the night can no longer carry out (a battle took
    // the Seeder, the world changed hands) says why under the order.
    if (fl.Order == OrderInvade || fl.Order == OrderSettle)
        if (std::string refusal = LandingRefusal(Caller.House, f, fl.Order, fl.Target); !refusal.empty())
            SayLine("`C           " + refusal + "`7");
    std::string heading = FleetHeading(f);
    if (!heading.empty()) SayLine("Heading:   " + heading);
    SayLine("Doctrine:  " + DoctrineName(fl.Doctrine));
    SayLine("Speed:     " + Counted(FleetMoveSpeed(f), "lane") + " a day");
    SayLine("Fuel:      " + IntToText(FleetFuelCost(f)) + " a lane outside your systems (you have " +
            IntToText(HouseRec(Caller.House).Fuel) + ")");
    SayRule();
}

static int HereOrElsewhere(int f)
{
    int loc = Game.Fleets[f].Loc;
    if (AskYesNo("Here at " + SystemName(loc) + "?")) return loc;
    if (PromptBackedOut()) return -1;
    return PickSystem("Which system? ", true, true);
}

static void OrderDialog(const TFleetSeen& seen, int order)
{
    int f = seen.Fleet;
    const TFleet& fl = Game.Fleets[f];
    int d = -1, t = -1;
    TFleetSeen escorted;
    switch (order) {
    case OrderMove: d = PickSystem("Move to which system? ", true, true); break;
    case OrderPatrol:
    case OrderBlockade: d = HereOrElsewhere(f); break;
    case OrderInvade:
    case OrderSettle:
        // A fleet that cannot settle anywhere is told so before being asked where.
        if (order == OrderSettle && fl.Ships[ShipSeeder] == 0) {
            SayError("Settling needs a Seeder in the fleet.");
            return;
        }
        // A fleet already at its destination is asked about it once, as "Here at".
        if (fl.Dest >= 0 && IsSystem(fl.Dest) && fl.Dest != fl.Loc && AskYesNo("At " + SystemName(fl.Dest) + "?"))
            d = fl.Dest;
        else if (!PromptBackedOut())
            d = HereOrElsewhere(f);
        if (d < 0) return;
        t = PickWorld(d, "Which world? ");
        if (t < 0) return;
        break;
    case OrderEscort: {
        PageReset();
        std::vector<int> list = FleetList(EscortListCapacity);
        int64_t n = AskNumber("Escort which fleet (number)? ", 1, (int64_t)list.size());
        if (n < 1) return;
        t = list[(size_t)n - 1];
        escorted = SeeFleet(t);
        break;
    }
    }
    if (order == OrderMove || order == OrderPatrol || order == OrderBlockade) {
        if (d < 0) return;
        if (d != fl.Loc) {
            int lanes = RouteLength(fl.Loc, d);
            if (lanes < 0) {
                SayLine("`CThere is no open route from " + SystemName(fl.Loc) + " to " + SystemName(d) +
                        " right now.`7");
                return;
            }
            SayLine("`8" + Counted(lanes, "lane") + "; up to " + IntToText(lanes * FleetFuelCost(f)) +
                    " fuel outside your systems.`7");
        }
    }
    if (ChangeFleet(seen, CallerChange(ChangeOrderFleet, {f, order, d, t}),
                    order == OrderEscort ? &escorted : nullptr))
        SayLine("`AOrders given.`7");
}

static void SimpleOrder(const TFleetSeen& seen, int order)
{
    if (ChangeFleet(seen, CallerChange(ChangeOrderFleet, {seen.Fleet, order, -1, -1})))
        SayLine("`AOrders given.`7");
}

static void DoctrineDialog(const TFleetSeen& seen)
{
    SayLine("`FStrike`7 - more damage, takes more.  `FHold`7 - less damage, much better defence.");
    SayLine("`FScreen`7 - shields Haulers and Seeders, pulls back if outmatched.");
    char key = AskKey("Doctrine: `F[S]`7trike `F[H]`7old s`F[C]`7reen, or Enter to keep: ", "SHC\r");
    int d = key == 'S' ? DoctrineStrike : key == 'H' ? DoctrineHold : key == 'C' ? DoctrineScreen : -1;
    if (d < 0) return;
    if (ChangeFleet(seen, CallerChange(ChangeDoctrine, {seen.Fleet, d})))
        SayLine("`ADoctrine set.`7");
}

static void TakeShipsOff(const TFleetSeen& seen)
{
    int f = seen.Fleet;
    const TFleet& fl = Game.Fleets[f];
    int counts[7] = {0, 0, 0, 0, 0, 0, 0};
    for (int c = 0; c < ShipClasses; c++) {
        if (fl.Ships[c] == 0) continue;
        std::string answer = AskLine("How many " + ShipName(c) + "s (of " + IntToText(fl.Ships[c]) + ")? ", 9);
        // Q or Escape ends the dialogue; an empty answer takes none of the class.
        if (PromptBackedOut() || AnsweredQuit(answer)) return;
        if (answer.empty()) continue;
        int64_t n;
        // A count the fleet can't give ends the dialogue: nothing is split by guesswork.
        if (!ParseInt64(answer, n) || n < 0 || n > fl.Ships[c]) {
            SayLine("`CPlease give a number from 0 to " + IntToText(fl.Ships[c]) + ".`7");
            return;
        }
        counts[c] = (int)n;
    }
    int troops = 0;
    if (counts[ShipHauler] > 0 && fl.Troops > 0) {
        int64_t n = AskNumber("How many troops go with them (of " + IntToText(fl.Troops) + ")? ", 0, fl.Troops);
        if (PromptBackedOut()) return;
        troops = n < 0 ? 0 : (int)n;
    }
    std::string name = AskLine("Name for the new fleet: ", FleetNameMax);
    if (PromptBackedOut()) return;
    if (name.empty()) name = FreeFleetName(Caller.House, "Detachment");
    if (name.find('`') != std::string::npos) {
        SayError("Fleet names can't hold colour codes.");
        return;
    }
    if (ChangeFleet(seen, CallerChange(ChangeSplitFleet, {f, troops, counts[0], counts[1], counts[2], counts[3], counts[4],
                                                       counts[5], counts[6]},
                                    name)))
        SayLine("`A" + name + " is formed.`7");
}

static void JoinDialog(const TFleetSeen& seen)
{
    int f = seen.Fleet;
    std::vector<int> others;
    for (int o = 0; o < Game.Header.FleetCount && (int)others.size() < JoinListMax; o++) {
        const TFleet& fl = Game.Fleets[o];
        if (o == f || fl.House != Caller.House || fl.Loc != Game.Fleets[f].Loc) continue;
        others.push_back(o);
        SayLine("  `F" + PadLeft(IntToText((int64_t)others.size()), 2) + "`7  " + PadRight(StrGet(fl.Name), 16) +
                ShortShips(o));
    }
    if (others.empty()) {
        SayLine("`8No other fleet of yours is here.`7");
        return;
    }
    int64_t n = AskNumber("Join which fleet into this one? ", 1, (int64_t)others.size());
    if (n < 1) return;
    TFleetSeen joined = SeeFleet(others[(size_t)n - 1]);
    if (ChangeFleet(seen, CallerChange(ChangeJoinFleets, {f, joined.Fleet}), &joined))
        SayLine("`AThe fleets are joined.`7");
}

// The fleet's new name once it was renamed, else empty.
static std::string RenameDialog(const TFleetSeen& seen)
{
    std::string name = AskLine("New name: ", FleetNameMax);
    if (name.empty()) return "";
    if (!ChangeFleet(seen, CallerChange(ChangeRenameFleet, {seen.Fleet}, name))) return "";
    SayLine("`AThe fleet is now called " + name.substr(0, FleetNameMax) + ".`7");
    return name.substr(0, FleetNameMax);
}

static void FleetMenu(int f)
{
    // The fleet the caller picked, by its name: a fleet that later takes its
    // slot is another fleet.
    std::string name = IsFleet(f) ? StrGet(Game.Fleets[f].Name) : "";
    while (GameLook()) {
        if (!StillMine(f) || StrGet(Game.Fleets[f].Name) != name) {
            SayLine("`CThat fleet is gone.`7");
            PressKey();
            return;
        }
        FleetDetail(f);
        TFleetSeen seen = SeeFleet(f);
        SayLine("`F[M]`7ove `F[P]`7atrol `F[B]`7lockade `F[S]`7ettle `F[I]`7nvade `F[R]`7eturn `F[E]`7scort `F[H]`7old");
        SayLine("`F[D]`7octrine `F[T]`7ake ships off `F[J]`7oin another fleet in `F[N]`7ame `F[L]`7ook here");
        char key = AskKey("Fleet command, or `F[Q]`7 back: ", "MPBSIREHDTJNLQ\r\x1b");
        if (key == 'Q' || key == '\r' || key == '\x1b') return;
        // The command acts on today's game; a new day first shows the fleet anew.
        if (!StillToday()) continue;
        switch (key) {
        case 'M': OrderDialog(seen, OrderMove); break;
        case 'P': OrderDialog(seen, OrderPatrol); break;
        case 'B': OrderDialog(seen, OrderBlockade); break;
        case 'S': OrderDialog(seen, OrderSettle); break;
        case 'I': OrderDialog(seen, OrderInvade); break;
        case 'E': OrderDialog(seen, OrderEscort); break;
        case 'R': SimpleOrder(seen, OrderReturn); break;
        case 'H': SimpleOrder(seen, OrderHold); break;
        case 'D': DoctrineDialog(seen); break;
        case 'T': TakeShipsOff(seen); break;
        case 'J': JoinDialog(seen); break;
        case 'N': {
            std::string renamed = RenameDialog(seen);
            if (!renamed.empty()) name = renamed;
            break;
        }
        case 'L': SystemView(Game.Fleets[f].Loc); break;
        default: return;
        }
        if (std::string("BEHIJMPRST").find(key) != std::string::npos) PressKey();
    }
}

void FleetsScreen()
{
    while (GameLook()) {
        ClearPage();
        PageReset();
        std::vector<int> list = FleetList(FleetListCapacity);
        SayRule();
        int64_t n = AskNumber("Fleet number to command, or Enter to go back: ", 1, Max(1, (int64_t)list.size()));
        // A number out of range is told and the list shown again.
        if (n < 1 && NumberRefused()) continue;
        if (n < 1) return;
        if (n <= (int64_t)list.size()) FleetMenu(list[(size_t)n - 1]);
    }
}
