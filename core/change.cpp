#include "core/change.h"

#include "core/diplomacy.h"
#include "core/founding.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/rules.h"
#include "core/stores.h"
#include "core/text.h"

static const char* const NotYours = "That is not your house.";

// The arguments as the operations take them: a number outside an int is
// out of every range and refused there.
static int Arg(const TChange& c, int i)
{
    int64_t v = c.Args[i];
    return v < -2147483647 || v > 2147483647 ? -1 : (int)v;
}

std::string ApplyChange(const TChange& c, const std::string& folder, int day, int64_t* result)
{
    int h = c.House;
    if (c.Kind != ChangeFound && (!IsHouse(h) || HouseRec(h).Status == StatusFree)) return NotYours;
    switch (c.Kind) {
    case ChangeCameOn: HouseCameOn(h); return "";
    case ChangeBuildShips: return BuildShips(h, Arg(c, 0), Arg(c, 1), Arg(c, 2));
    case ChangeBuildBuilding: return BuildBuilding(h, Arg(c, 0), Arg(c, 1));
    case ChangeCancelBuild: return CancelListedBuild(h, Arg(c, 0), Arg(c, 1), Arg(c, 2), Arg(c, 3));
    case ChangeFocus: return SetFocus(h, Arg(c, 0), Arg(c, 1));
    case ChangeResearch: return SetResearch(h, Arg(c, 0));
    case ChangeOrderFleet: return OrderFleet(h, Arg(c, 0), Arg(c, 1), Arg(c, 2), Arg(c, 3));
    case ChangeDoctrine: return SetDoctrine(h, Arg(c, 0), Arg(c, 1));
    case ChangeSplitFleet: {
        int counts[7];
        for (int i = 0; i < 7; i++) counts[i] = Arg(c, 2 + i);
        int made = -1;
        // A caller's new fleet takes no name another of the house's fleets has.
        std::string refusal = FleetNameRefusal(h, c.Text, -1);
        if (refusal.empty()) refusal = SplitFleet(h, Arg(c, 0), counts, Arg(c, 1), c.Text, &made);
        if (result) *result = made;
        return refusal;
    }
    case ChangeJoinFleets: return JoinFleets(h, Arg(c, 0), Arg(c, 1));
    case ChangeRenameFleet: return RenameFleet(h, Arg(c, 0), c.Text);
    case ChangeOfferTreaty: return OfferTreaty(h, Arg(c, 0), Arg(c, 1));
    case ChangeAcceptTreaty: {
        int bits = 0;
        std::string refusal = AcceptTreaty(h, Arg(c, 0), &bits);
        if (result) *result = bits;
        return refusal;
    }
    case ChangeGiveNotice: {
        int endDay = 0;
        std::string refusal = GiveNotice(h, Arg(c, 0), &endDay);
        if (result) *result = endDay;
        return refusal;
    }
    case ChangeBreakTreaties: return BreakTreaties(h, Arg(c, 0));
    case ChangeTribute: return SetTribute(h, Arg(c, 0), c.Args[1]);
    case ChangeGift: return SendGift(h, Arg(c, 0), Arg(c, 1), c.Args[2]);
    case ChangeTrade: {
        int64_t got = 0;
        std::string refusal = ExchangeTrade(h, Arg(c, 0), Arg(c, 1), c.Args[2], &got);
        if (result) *result = got;
        return refusal;
    }
    case ChangeLetter: {
        int to = Arg(c, 0);
        if (to != 0 && (!IsHouse(to) || HouseRec(to).Status == StatusFree)) return "There is no such house.";
        std::vector<std::string> lines = SplitLines(c.Text);
        if (lines.empty()) return "The letter is empty.";
        for (std::string& line : lines) line = WithoutColourCodes(line);
        // A notice (a treaty signed, notice given) comes from the game itself.
        return SendMessage(folder, c.Args[1] == 1 ? 0 : h, to, day, lines) ? "" : "The letter could not be sent.";
    }
    case ChangeFound: {
        if (!HouseNameFree(c.Text)) return "The name " + c.Text + " is too short, too long, or taken.";
        int made = FoundHouse(c.Text, c.Player, 0);
        if (result) *result = made;
        return made < 0 ? "The Thyre is full." : "";
    }
    default: return "That change is not known here.";
    }
}

void FleetArgs(const TChange& c, int which[2])
{
    which[0] = which[1] = -1;
    switch (c.Kind) {
    case ChangeOrderFleet:
        which[0] = 0;
        if (c.Args[1] == OrderEscort) which[1] = 3;
        break;
    case ChangeDoctrine:
    case ChangeSplitFleet:
    case ChangeRenameFleet: which[0] = 0; break;
    case ChangeJoinFleets:
        which[0] = 0;
        which[1] = 1;
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- bytes

void PutLittle(std::string& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; i++) out += (char)(uint8_t)(v >> (8 * i));
}

bool GetLittle(const std::string& in, size_t& pos, int bytes, uint64_t& v)
{
    if (pos > in.size() || in.size() - pos < (size_t)bytes) return false;
    v = 0;
    for (int i = 0; i < bytes; i++) v |= (uint64_t)(uint8_t)in[pos + (size_t)i] << (8 * i);
    pos += (size_t)bytes;
    return true;
}

void PutCounted(std::string& out, const std::string& bytes, int lengthBytes)
{
    PutLittle(out, bytes.size(), lengthBytes);
    out += bytes;
}

bool GetCounted(const std::string& in, size_t& pos, int lengthBytes, uint64_t limit, std::string& bytes)
{
    uint64_t n;
    if (!GetLittle(in, pos, lengthBytes, n) || n > limit || in.size() - pos < n) return false;
    bytes = in.substr(pos, (size_t)n);
    pos += (size_t)n;
    return true;
}

void EncodeChange(const TChange& c, std::string& out)
{
    out += (char)c.Kind;
    out += (char)c.House;
    for (int64_t a : c.Args) PutLittle(out, (uint64_t)a, 8);
    PutCounted(out, c.Text.substr(0, ChangeTextLimit), 2);
    PutCounted(out, c.Player.substr(0, ChangeTextLimit), 2);
}

bool DecodeChange(const std::string& in, size_t& pos, TChange& c)
{
    uint64_t v;
    if (!GetLittle(in, pos, 1, v) || v == ChangeNone || v >= ChangeKindCount) return false;
    c.Kind = (uint8_t)v;
    if (!GetLittle(in, pos, 1, v) || v > MaxHouseSlots) return false;
    c.House = (uint8_t)v;
    for (int64_t& a : c.Args) {
        if (!GetLittle(in, pos, 8, v)) return false;
        a = (int64_t)v;
    }
    return GetCounted(in, pos, 2, ChangeTextLimit, c.Text) && GetCounted(in, pos, 2, ChangeTextLimit, c.Player);
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); i++) text += (i ? "\n" : "") + lines[i];
    return text;
}
