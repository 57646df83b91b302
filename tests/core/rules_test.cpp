#include <gtest/gtest.h>

#include "core/model.h"
#include "core/diplomacy.h"
#include "core/rules.h"
#include "tests/testutil.h"

TEST(Rules, CostsAfterIndustry)
{
    BuildSmallGame();
    EXPECT_EQ(ShipCost(0, ShipSkiff), 10);   // not a house: no discount
    HouseRec(1).Research[TrackIndustry] = 4;
    EXPECT_EQ(ShipCost(1, ShipSkiff), 8);
    EXPECT_EQ(ShipCost(1, ShipHauler), 9);
    EXPECT_EQ(BuildingCost(1, BuildAcademy), 72);
    EXPECT_EQ(BuildingCost(1, BuildNone), 0);
    // A damaged level above the last counts as the last, never a negative cost.
    HouseRec(1).Research[TrackIndustry] = 250;
    EXPECT_EQ(ShipCost(1, ShipSkiff), 8);
    EXPECT_EQ(ShipCost(1, 99), 0);
    for (int c = 0; c < 7; c++) EXPECT_GE(ShipCost(1, c), 1);
}

TEST(Rules, PowerAndCombatFactors)
{
    BuildSmallGame();
    EXPECT_EQ(FleetPower(0), 37);   // 2 Lancers and a Warden
    EXPECT_EQ(FleetPower(-1), 0);
    EXPECT_EQ(ClassFactor(ShipWarden, ShipLancer), 140);
    EXPECT_EQ(ClassFactor(ShipLancer, ShipWarden), 60);
    EXPECT_EQ(ClassFactor(ShipLancer, ShipSeeder), 200);
    EXPECT_EQ(ClassFactor(ShipBreaker, UnitHollow), 200);
    for (int t = 0; t <= 8; t++) EXPECT_EQ(ClassFactor(ShipSkiff, t), 100);
    EXPECT_EQ(AttackValue(ShipBreaker), 70);
    EXPECT_EQ(AttackValue(UnitShield), 2);
    EXPECT_EQ(HullValue(UnitHollow), 2);
    EXPECT_EQ(DealtFactor(DoctrineStrike), 130);
    EXPECT_EQ(TakenFactor(DoctrineScreen), 100);
    EXPECT_EQ(DealtFactor(9), 80);   // unknown fights as Hold
    EXPECT_EQ(TakenFactor(9), 70);
}

TEST(Rules, NamesAndLevels)
{
    EXPECT_EQ(LevelCost[4], 1000);
    EXPECT_EQ(LevelCost[1], 120);
    EXPECT_EQ(TreatyWords(0), "no");
    EXPECT_EQ(TreatyWords(TreatyPeace | TreatyCharts), "Peace and Charts");
    EXPECT_EQ(TreatyWords(TreatyPeace | TreatyTrade | TreatyAlliance), "Alliance, Peace and Trade");
    EXPECT_EQ(TreatyList(TreatyPeace | TreatyTrade), "Peace Trade");
    EXPECT_EQ(WorldKindName(2), "Gas giant");
    EXPECT_EQ(WorldKindName(5), "?");
    EXPECT_EQ(BuildingShort(3), "Yd");
    EXPECT_EQ(OrderName(7), "Escort");
    EXPECT_EQ(WinKindText(3), "dominion over the Thyre");
    int share = 0;
    for (const TWorldKind& k : WorldKindTable) share += k.Share;
    EXPECT_EQ(share, 100);
}
