// What houses do to each other outside battle: treaties offered, signed,
// ended on notice or broken, tribute, gifts, and trading at the Exchange.
// Each operation works on the loaded game in the style of the orders: it
// checks everything on the game it will change, changes it and gives "", or
// gives the refusal and changes nothing.
#pragma once
#include <cstdint>
#include <string>

// Influence each house pays when a treaty is signed.
enum { PeaceCost = 20, TradeCost = 30, ChartsCost = 15, AllianceCost = 60 };
// Days of notice before treaties end, with an alliance and without.
enum { NoticeDaysAlliance = 5, NoticeDays = 3 };
// Breaking treaties at once: influence lost, and loyalty on every world.
enum { BreakInfluence = 50, BreakLoyalty = 10 };
enum { TributeMax = 10000, GiftMax = 1000000 };
// The Exchange: the brokers' fee without a presence, the market's loss, and
// how far prices move and may go.
enum { ExchangeFee = 25, MarketLoss = 10 };
enum { ResourceOre = 0, ResourceFuel = 1, ResourceInfluence = 2 };

int64_t TreatyCost(int bits);
// "Alliance Peace Trade Charts" order, blanks between; "none" when empty.
std::string TreatyList(int bits);
// The same as words of a sentence: "Peace and Trade" ("an Alliance treaty"
// is the caller's to article).
std::string TreatyWords(int bits);
std::string ResourceName(int r);   // "ore", "fuel", "influence"

std::string OfferTreaty(int h, int other, int bit);
// *signedBits: the treaties now in force by this signing.
std::string AcceptTreaty(int h, int offerer, int* signedBits);
// *endDay: the day the pair's treaties end.
std::string GiveNotice(int h, int other, int* endDay);
std::string BreakTreaties(int h, int other);
std::string SetTribute(int h, int other, int64_t amount);
// A house that leaves the game neither pays nor receives tribute any more.
void ClearTributes(int h);
std::string SendGift(int h, int other, int resource, int64_t amount);

// The caller's standing at the Exchange.
bool ExchangeFound(int h);
bool ExchangePresence(int h);
int ExchangeFeeOf(int h);   // percent
int64_t HouseStock(int h, int resource);
// Sells m of s for b at today's prices; *got: what the house received.
std::string ExchangeTrade(int h, int s, int b, int64_t m, int64_t* got);
