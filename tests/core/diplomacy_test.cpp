// Treaties, tribute, gifts and the Exchange as operations on the game: each
// either changes the game as the rules say or refuses and changes nothing.
#include <gtest/gtest.h>

#include "core/diplomacy.h"
#include "core/model.h"
#include "core/orders.h"
#include "tests/testutil.h"

namespace {

// Three houses on a row of five systems; house 1 and 2 have met.
void ThreeHouses()
{
    BuildRowMap(5);
    Game.Header.Day = 10;
    AddTestHouse(1, "Astra", 0);
    AddTestHouse(2, "Borel", 2);
    AddTestHouse(3, "Cyne", 4);
    for (int h = 1; h <= 3; h++) HouseRec(h).Influence = 100;
}

} // namespace

TEST(Diplomacy, OffersAndSigning)
{
    ThreeHouses();
    EXPECT_EQ(OfferTreaty(1, 1, TreatyPeace), "Pick another house.");
    EXPECT_EQ(OfferTreaty(1, 2, 3), "Pick a treaty.");
    EXPECT_EQ(OfferTreaty(1, 2, TreatyAlliance), "");
    EXPECT_EQ(OfferTreaty(1, 2, TreatyTrade), "");   // earlier offers stay
    EXPECT_EQ((int64_t)(Relation(1, 2).Offer), TreatyAlliance | TreatyTrade);
    // House 2 also offers Alliance to house 1; signing house 1's offer
    // clears what was signed from both offers.
    EXPECT_EQ(OfferTreaty(2, 1, TreatyAlliance | 0), "");
    EXPECT_EQ(OfferTreaty(2, 1, TreatyCharts), "");
    HouseRec(1).Influence = 89;
    std::string before = GameBytes();
    int bits = 0;
    EXPECT_EQ(AcceptTreaty(2, 1, &bits), "The treaty needs 90 influence from each house.");
    EXPECT_EQ(GameBytes(), before);
    HouseRec(1).Influence = 90;
    EXPECT_EQ(AcceptTreaty(2, 1, &bits), "");
    EXPECT_EQ(bits, TreatyAlliance | TreatyPeace | TreatyTrade);
    EXPECT_EQ(TreatyList(bits), "Alliance Peace Trade");
    EXPECT_EQ((int64_t)(HouseRec(1).Influence), 0);
    EXPECT_EQ((int64_t)(HouseRec(2).Influence), 10);
    EXPECT_EQ((int64_t)(Relation(1, 2).Treaties), bits);
    EXPECT_EQ((int64_t)(Relation(2, 1).Treaties), bits);
    EXPECT_EQ((int64_t)(Relation(1, 2).Offer), 0);
    EXPECT_EQ((int64_t)(Relation(2, 1).Offer), TreatyCharts);   // only what was signed goes
    EXPECT_EQ(AcceptTreaty(2, 1, &bits), "That house offers you nothing.");
    EXPECT_EQ(OfferTreaty(1, 2, TreatyPeace), "You already have that treaty.");
    // A house out of the game takes no offers.
    HouseRec(3).Status = StatusOut;
    EXPECT_EQ(OfferTreaty(1, 3, TreatyPeace), "That house is no longer in the game.");
    EXPECT_EQ(TreatyList(0), "none");
    EXPECT_EQ(TreatyCost(TreatyPeace | TreatyCharts), 35);
}

TEST(Diplomacy, NoticeAndBreaking)
{
    ThreeHouses();
    int end = 0;
    EXPECT_EQ(GiveNotice(1, 2, &end), "You have no treaty with that house.");
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyAlliance | TreatyPeace;
    EXPECT_EQ(GiveNotice(1, 2, &end), "");
    EXPECT_EQ(end, 15);
    EXPECT_EQ((int64_t)(Relation(2, 1).NoticeDay), 15);
    // Notice given again, later on, never puts the end off.
    Game.Header.Day = 12;
    EXPECT_EQ(GiveNotice(2, 1, &end), "");
    EXPECT_EQ(end, 15);
    Relation(1, 3).Treaties = Relation(3, 1).Treaties = TreatyTrade;
    EXPECT_EQ(GiveNotice(1, 3, &end), "");
    EXPECT_EQ(end, 15);   // day 12 + 3
    // Breaking: 50 influence (not below 0) and 10 loyalty on every world.
    HouseRec(1).Influence = 30;
    Game.Worlds[0].Loyalty = 5;
    Game.Worlds[1].Owner = 1;
    Game.Worlds[1].Loyalty = 60;
    EXPECT_EQ(BreakTreaties(1, 2), "");
    EXPECT_EQ((int64_t)(HouseRec(1).Influence), 0);
    EXPECT_EQ((int64_t)(Game.Worlds[0].Loyalty), 0);
    EXPECT_EQ((int64_t)(Game.Worlds[1].Loyalty), 50);
    EXPECT_EQ((int64_t)(Relation(1, 2).Treaties | Relation(2, 1).Treaties | Relation(1, 2).NoticeDay), 0);
    EXPECT_EQ(BreakTreaties(1, 2), "You have no treaty with that house.");
}

TEST(Diplomacy, TributeAndGifts)
{
    ThreeHouses();
    EXPECT_EQ(SetTribute(1, 2, 10001), "Pick an amount from 0 to 10000.");
    EXPECT_EQ(SetTribute(1, 2, 25), "");
    EXPECT_EQ(SetTribute(3, 1, 7), "");
    EXPECT_EQ((int64_t)(Relation(1, 2).Tribute), 25);
    // A house that falls pays and receives nothing any more; stopping
    // tribute to it is still allowed, starting it is not.
    HouseRec(2).Status = StatusOut;
    EXPECT_EQ(SetTribute(1, 2, 5), "That house is no longer in the game.");
    EXPECT_EQ(SetTribute(1, 2, 0), "");
    EXPECT_EQ(SetTribute(1, 2, 25), "That house is no longer in the game.");
    Relation(1, 2).Tribute = 25;
    ClearTributes(1);
    EXPECT_EQ((int64_t)(Relation(1, 2).Tribute), 0);
    EXPECT_EQ((int64_t)(Relation(3, 1).Tribute), 0);
    HouseRec(2).Status = StatusActive;

    HouseRec(1).Ore = 999;
    std::string before = GameBytes();
    EXPECT_EQ(SendGift(1, 2, ResourceOre, 10), "You need a Trade treaty with them to send resources.");
    Relation(1, 2).Treaties = Relation(2, 1).Treaties = TreatyTrade;
    before = GameBytes();
    EXPECT_EQ(SendGift(1, 2, ResourceOre, 1000), "You don't have that much.");
    EXPECT_EQ(GameBytes(), before);
    int64_t ore2 = HouseRec(2).Ore;
    EXPECT_EQ(SendGift(1, 2, ResourceOre, 999), "");
    EXPECT_EQ((int64_t)(HouseRec(1).Ore), 0);
    EXPECT_EQ((int64_t)(HouseRec(2).Ore), ore2 + 999);
    EXPECT_EQ(SendGift(1, 2, ResourceInfluence, 0), "Pick an amount from 1 to 1000000.");
}

TEST(Diplomacy, ExchangeTradesAsTheWorkedExamples)
{
    ThreeHouses();
    Game.Header.ExchangeSystem = 1;
    int64_t got = 0;
    EXPECT_EQ(ExchangeTrade(1, ResourceFuel, ResourceOre, 100, &got), "You haven't found the Exchange yet.");
    Chart(1, 1).SeenDay = 3;
    EXPECT_FALSE(ExchangePresence(1));
    EXPECT_EQ(ExchangeFeeOf(1), 25);
    AddTestFleet(1, 1, ShipSkiff, 1);
    EXPECT_TRUE(ExchangePresence(1));
    HouseRec(1).Fuel = 100;
    HouseRec(1).Ore = 300;
    EXPECT_EQ(ExchangeTrade(1, ResourceFuel, ResourceOre, 101, &got), "You don't have that much.");
    EXPECT_EQ(ExchangeTrade(1, ResourceFuel, ResourceOre, 100, &got), "");
    EXPECT_EQ(got, 108);
    EXPECT_EQ((int64_t)(Game.Header.Price[ResourceFuel]), 113);
    EXPECT_EQ((int64_t)(Game.Header.Price[ResourceOre]), 100);
    EXPECT_EQ((int64_t)(HouseRec(1).Ore), 408);
    // The same trade without a presence.
    Game.Fleets[0].Loc = 2;
    Game.Header.Price[ResourceFuel] = 120;
    HouseRec(1).Fuel = 100;
    EXPECT_EQ(ExchangeTrade(1, ResourceFuel, ResourceOre, 100, &got), "");
    EXPECT_EQ(got, 81);
    Game.Fleets[0].Loc = 1;
    // 300 ore for influence at 300: 90, and the price rises by 4 and by 7.
    HouseRec(1).Ore = 300;
    EXPECT_EQ(ExchangeTrade(1, ResourceOre, ResourceInfluence, 300, &got), "");
    EXPECT_EQ(got, 90);
    EXPECT_EQ((int64_t)(Game.Header.Price[ResourceInfluence]), 311);
    // 1 fuel at 120 for influence at 300 gives nothing and still costs the fuel.
    Game.Header.Price[ResourceFuel] = 120;
    Game.Header.Price[ResourceInfluence] = 300;
    HouseRec(1).Fuel = 1;
    EXPECT_EQ(ExchangeTrade(1, ResourceFuel, ResourceInfluence, 1, &got), "");
    EXPECT_EQ(got, 0);
    EXPECT_EQ((int64_t)(HouseRec(1).Fuel), 0);
    // Big numbers: 2,000,000 influence at 1000 needs 64 bits on the way.
    Game.Header.Price[ResourceInfluence] = 1000;
    HouseRec(1).Influence = 2000000;
    HouseRec(1).Ore = 0;
    EXPECT_EQ(ExchangeTrade(1, ResourceInfluence, ResourceOre, 2000000, &got), "");
    EXPECT_EQ(got, 18000000);
    EXPECT_EQ((int64_t)(HouseRec(1).Ore), 18000000);
    EXPECT_EQ((int64_t)(Game.Header.Price[ResourceInfluence]), 80);   // the floor
    // Prices never leave their bounds.
    Game.Header.Price[ResourceFuel] = 690;
    HouseRec(1).Ore = 100000;
    EXPECT_EQ(ExchangeTrade(1, ResourceOre, ResourceFuel, 100000, &got), "");
    EXPECT_EQ((int64_t)(Game.Header.Price[ResourceFuel]), 700);
    EXPECT_EQ(ExchangeTrade(1, ResourceOre, ResourceOre, 1, &got), "Pick two different resources.");
}

TEST(Orders, CancellingOnlyTheListedOrderAndRenaming)
{
    ThreeHouses();
    Game.Worlds[0].Buildings[0] = BuildShipyard;
    HouseRec(1).Ore = 100;
    ASSERT_EQ(BuildShips(1, 0, ShipSkiff, 2), "");
    ASSERT_EQ(BuildShips(1, 0, ShipLancer, 1), "");
    EXPECT_EQ((int64_t)(HouseRec(1).Ore), 60);
    // The list showed 2 Skiffs at place 0; meanwhile that place holds other.
    std::string before = GameBytes();
    EXPECT_EQ(CancelListedBuild(1, 0, 0, ShipSkiff, 3), "That order has changed; look again.");
    EXPECT_EQ(CancelListedBuild(1, 1, 0, ShipSkiff, 2), "That order has changed; look again.");
    EXPECT_EQ(CancelListedBuild(2, 0, 0, ShipSkiff, 2), "That order has changed; look again.");
    EXPECT_EQ(CancelListedBuild(1, 5, 0, ShipSkiff, 2), "That order has changed; look again.");
    EXPECT_EQ(GameBytes(), before);
    EXPECT_EQ(CancelListedBuild(1, 0, 0, ShipSkiff, 2), "");
    EXPECT_EQ((int64_t)(HouseRec(1).Ore), 80);

    int f = AddTestFleet(1, 0, ShipSkiff, 1, "Old");
    EXPECT_EQ(RenameFleet(1, f, "Va`Cnish"), "Fleet names can't hold colour codes.");
    EXPECT_EQ(RenameFleet(2, f, "Mine"), "That fleet is gone.");
    EXPECT_EQ(RenameFleet(1, f, "A very long fleet name"), "");
    EXPECT_EQ(StrGet(Game.Fleets[f].Name), "A very long fle");
}
