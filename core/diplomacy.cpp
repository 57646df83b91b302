#include "core/diplomacy.h"

#include <climits>
#include <vector>

#include "core/model.h"
#include "core/rules.h"
#include "core/text.h"

// Treaties are listed strongest first; their names are the rules table's,
// which is in bit order (Peace 1, Trade 2, Charts 4, Alliance 8).
static const int TreatyListOrder[4] = {3, 0, 1, 2};

int64_t TreatyCost(int bits)
{
    return (bits & TreatyPeace ? PeaceCost : 0) + (bits & TreatyTrade ? TradeCost : 0) +
           (bits & TreatyCharts ? ChartsCost : 0) + (bits & TreatyAlliance ? AllianceCost : 0);
}

std::string TreatyList(int bits)
{
    std::string text;
    for (int i = 0; i < 4; i++)
        if (bits & (1 << TreatyListOrder[i])) text += (text.empty() ? "" : " ") + std::string(TreatyNames[TreatyListOrder[i]]);
    return text.empty() ? "none" : text;
}

std::string TreatyWords(int bits)
{
    std::vector<std::string> names;
    for (int i = 0; i < 4; i++)
        if (bits & (1 << TreatyListOrder[i])) names.push_back(TreatyNames[TreatyListOrder[i]]);
    return names.empty() ? "no" : WordList(names);
}

std::string ResourceName(int r)
{
    static const char* const Names[3] = {"ore", "fuel", "influence"};
    return r >= 0 && r < 3 ? Names[r] : "?";
}

// The other house of a pair: a house in the game, not the caller's.
static std::string PairCheck(int h, int other)
{
    if (!IsHouse(h) || !IsHouse(other) || h == other) return "Pick another house.";
    if (!Playing(other)) return "That house is no longer in the game.";
    return "";
}

static bool IsTreatyBit(int bit)
{
    return bit == TreatyPeace || bit == TreatyTrade || bit == TreatyCharts || bit == TreatyAlliance;
}

std::string OfferTreaty(int h, int other, int bit)
{
    std::string refusal = PairCheck(h, other);
    if (!refusal.empty()) return refusal;
    if (!IsTreatyBit(bit)) return "Pick a treaty.";
    if (Relation(h, other).Treaties & bit) return "You already have that treaty.";
    Relation(h, other).Offer = (uint8_t)(Relation(h, other).Offer | bit);
    return "";
}

std::string AcceptTreaty(int h, int offerer, int* signedBits)
{
    if (signedBits) *signedBits = 0;
    std::string refusal = PairCheck(h, offerer);
    if (!refusal.empty()) return refusal;
    int bits = Relation(offerer, h).Offer & (TreatyPeace | TreatyTrade | TreatyCharts | TreatyAlliance);
    if (bits == 0) return "That house offers you nothing.";
    int64_t cost = TreatyCost(bits);
    if (HouseRec(h).Influence < cost || HouseRec(offerer).Influence < cost)
        return "The treaty needs " + IntToText(cost) + " influence from each house.";
    HouseRec(h).Influence = (int32_t)(HouseRec(h).Influence - cost);
    HouseRec(offerer).Influence = (int32_t)(HouseRec(offerer).Influence - cost);
    if (bits & TreatyAlliance) bits |= TreatyPeace;
    for (int a : {h, offerer}) {
        int b = a == h ? offerer : h;
        TRelation& r = Relation(a, b);
        r.Treaties = (uint8_t)(r.Treaties | bits);
        r.NoticeDay = 0;
        // What is signed is no longer on offer, either way.
        r.Offer = (uint8_t)(r.Offer & ~bits);
    }
    Relation(offerer, h).Offer = 0;
    if (signedBits) *signedBits = bits;
    return "";
}

std::string GiveNotice(int h, int other, int* endDay)
{
    if (endDay) *endDay = 0;
    if (!IsHouse(h) || !IsHouse(other) || h == other) return "Pick another house.";
    TRelation &mine = Relation(h, other), &theirs = Relation(other, h);
    if (mine.Treaties == 0) return "You have no treaty with that house.";
    int days = (mine.Treaties & TreatyAlliance) ? NoticeDaysAlliance : NoticeDays;
    int64_t end = (int64_t)Game.Header.Day + days;
    // Notice given again never puts the end off.
    if (mine.NoticeDay != 0 && mine.NoticeDay < end) end = mine.NoticeDay;
    mine.NoticeDay = theirs.NoticeDay = (uint16_t)Clamp(end, 0, 65535);
    if (endDay) *endDay = mine.NoticeDay;
    return "";
}

std::string BreakTreaties(int h, int other)
{
    if (!IsHouse(h) || !IsHouse(other) || h == other) return "Pick another house.";
    TRelation &mine = Relation(h, other), &theirs = Relation(other, h);
    if (mine.Treaties == 0) return "You have no treaty with that house.";
    mine.Treaties = theirs.Treaties = 0;
    mine.NoticeDay = theirs.NoticeDay = 0;
    HouseRec(h).Influence = (int32_t)Max(0, (int64_t)HouseRec(h).Influence - BreakInfluence);
    for (int w = 0; w < Game.Header.WorldCount; w++)
        if (Game.Worlds[w].Owner == h) Game.Worlds[w].Loyalty = (uint8_t)Max(0, Game.Worlds[w].Loyalty - BreakLoyalty);
    return "";
}

std::string SetTribute(int h, int other, int64_t amount)
{
    if (!IsHouse(h) || !IsHouse(other) || h == other) return "Pick another house.";
    if (amount < 0 || amount > TributeMax) return "Pick an amount from 0 to " + IntToText(TributeMax) + ".";
    // Stopping is always allowed; starting needs a house still in the game.
    if (amount > 0 && !Playing(other)) return "That house is no longer in the game.";
    Relation(h, other).Tribute = (uint16_t)amount;
    return "";
}

void ClearTributes(int h)
{
    if (!IsHouse(h)) return;
    for (int o = 1; o <= MaxHouseSlots; o++) {
        Relation(h, o).Tribute = 0;
        Relation(o, h).Tribute = 0;
    }
}

static int32_t* StockField(int h, int r)
{
    THouse& hr = HouseRec(h);
    return r == ResourceOre ? &hr.Ore : r == ResourceFuel ? &hr.Fuel : r == ResourceInfluence ? &hr.Influence : nullptr;
}

int64_t HouseStock(int h, int r)
{
    int32_t* f = IsHouse(h) ? StockField(h, r) : nullptr;
    return f ? *f : 0;
}

static void AddStock(int h, int r, int64_t amount)
{
    int32_t* f = StockField(h, r);
    if (f) *f = (int32_t)Clamp(*f + amount, INT32_MIN, INT32_MAX);
}

std::string SendGift(int h, int other, int resource, int64_t amount)
{
    std::string refusal = PairCheck(h, other);
    if (!refusal.empty()) return refusal;
    if (!(Relation(h, other).Treaties & TreatyTrade)) return "You need a Trade treaty with them to send resources.";
    if (resource < 0 || resource > 2) return "Pick ore, fuel or influence.";
    if (amount < 1 || amount > GiftMax) return "Pick an amount from 1 to " + IntToText(GiftMax) + ".";
    if (HouseStock(h, resource) < amount) return "You don't have that much.";
    AddStock(h, resource, -amount);
    AddStock(other, resource, amount);
    return "";
}

bool ExchangeFound(int h)
{
    int s = Game.Header.ExchangeSystem;
    return IsSystem(s) && Known(h, s);
}

bool ExchangePresence(int h)
{
    int s = Game.Header.ExchangeSystem;
    if (!IsSystem(s) || !IsHouse(h)) return false;
    for (int f = 0; f < Game.Header.FleetCount; f++)
        if (Game.Fleets[f].House == h && Game.Fleets[f].Loc == s) return true;
    const TSystem& sys = Game.Systems[s];
    for (int w = sys.FirstWorld; w < sys.FirstWorld + sys.WorldCount; w++)
        if (Game.Worlds[w].Owner == h) return true;
    return false;
}

int ExchangeFeeOf(int h) { return ExchangePresence(h) ? 0 : ExchangeFee; }

std::string ExchangeTrade(int h, int s, int b, int64_t m, int64_t* got)
{
    if (got) *got = 0;
    if (!IsHouse(h) || !ExchangeFound(h)) return "You haven't found the Exchange yet.";
    if (s < 0 || s > 2 || b < 0 || b > 2 || s == b) return "Pick two different resources.";
    if (m < 1) return "Pick an amount.";
    if (HouseStock(h, s) < m) return "You don't have that much.";
    uint16_t* price = Game.Header.Price;
    // A damaged price of 0 would divide by nothing: it reads as the floor.
    int64_t ps = price[s] ? price[s] : ExchangePriceFloor(s), pb = price[b] ? price[b] : ExchangePriceFloor(b);
    int64_t value = MulDiv(m, ps, pb);
    value = value * (100 - MarketLoss) / 100;
    int64_t gained = (100 - ExchangeFeeOf(h)) * value / 100;
    AddStock(h, s, -m);
    AddStock(h, b, gained);
    auto setPrice = [&](int r, int64_t p) { price[r] = (uint16_t)Clamp(p, 0, 65535); };
    if (s != ResourceOre) setPrice(s, Max(price[s] - m / 20, ExchangePriceFloor(s)));
    if (b != ResourceOre) setPrice(b, Min(price[b] + gained / 20, ExchangePriceCeiling(b)));
    if (s == ResourceOre) setPrice(b, Min(price[b] + m / 40, ExchangePriceCeiling(b)));
    if (b == ResourceOre) setPrice(s, Max(price[s] - gained / 40, ExchangePriceFloor(s)));
    if (got) *got = gained;
    return "";
}
