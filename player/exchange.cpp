// The Exchange screen: today's prices, the caller's stock, and trades.
#include "player/exchange.h"

#include "core/diplomacy.h"
#include "core/model.h"
#include "core/text.h"
#include "player/prompts.h"
#include "player/visit.h"

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
        if (b == s) SayLine("`CThe Exchange trades " + ResourceName(s) + " only for something else.`7");
        if (b < 0 || b == s) continue;
        // The stock offered and the trade itself are today's.
        if (!StillToday()) continue;
        int64_t stock = HouseStock(h, s);
        int64_t m = AskNumber("How much " + ResourceName(s) + " (you have " + IntToText(stock) + ")? ", 1,
                              Max(1, stock));
        if (m < 1) continue;
        int64_t got = 0;
        if (ChangeGame(CallerChange(ChangeTrade, {s, b, m}), {}, &got))
            SayLine("`AYou sold " + IntToText(m) + " " + ResourceName(s) + " for " + IntToText(got) + " " +
                    ResourceName(b) + ".`7");
        PressKey();
    }
}
