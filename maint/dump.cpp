// One house's view of the game as one JSON object on one line: what its own
// records hold, and of everything else what its charts show.
#include <vector>

#include "core/access.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/score.h"
#include "core/text.h"
#include "maint/maintcmd.h"
#include "core/stores.h"

// Builds the object piece by piece; commas go between members and elements.
struct TJson {
    std::string Out;
    bool First = true;

    void Sep()
    {
        if (!First) Out += ',';
        First = false;
    }
    void Key(const char* k)
    {
        Sep();
        Out += '"';
        Out += k;
        Out += "\":";
        First = true;
    }
    void Open(char c)
    {
        Sep();
        Out += c;
        First = true;
    }
    void Close(char c)
    {
        Out += c;
        First = false;
    }
    void Num(int64_t v)
    {
        Sep();
        Out += IntToText(v);
    }
    void Null()
    {
        Sep();
        Out += "null";
    }
    // Quotes and backslashes escaped, control characters left out, every
    // other byte as it stands.
    void Str(const std::string& s)
    {
        Sep();
        Out += '"';
        for (char c : s) {
            if ((unsigned char)c < 32) continue;
            if (c == '"' || c == '\\') Out += '\\';
            Out += c;
        }
        Out += '"';
    }
    void Field(const char* k, int64_t v) { Key(k), Num(v); }
    void Field(const char* k, const std::string& v) { Key(k), Str(v); }
};

static bool Current(int h, int s) { return Chart(h, s).SeenDay + 1 >= Game.Header.Day; }

static int64_t EnemyPower(int h, int s)
{
    if (!Current(h, s)) return 0;
    int64_t power = 0;
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        int owner = Game.Fleets[f].House;
        if (Game.Fleets[f].Loc != s || owner == 0 || owner == h || (IsHouse(owner) && AtPeace(h, owner))) continue;
        power += FleetPower(f);
    }
    return power;
}

static void DumpWorlds(TJson& j, int h)
{
    j.Key("worlds");
    j.Open('[');
    for (int w = 0; w < Game.Header.WorldCount; w++) {
        const TWorld& wd = Game.Worlds[w];
        if (wd.Owner != h) continue;
        j.Open('{');
        j.Field("i", w);
        j.Field("name", WorldName(w));
        j.Field("sys", StrGet(Game.Systems[wd.System].Name));
        j.Field("kind", wd.Kind);
        j.Field("pop", wd.Pop);
        j.Field("max", wd.MaxPop);
        j.Field("focus", wd.Focus);
        j.Field("free", FreeSlots(w));
        j.Field("yard", CountBuildings(w, BuildShipyard));
        j.Field("shield", wd.Shield);
        j.Field("garrison", wd.Garrison);
        j.Field("loyalty", wd.Loyalty);
        j.Field("capital", HouseRec(h).Capital == w ? 1 : 0);
        j.Close('}');
    }
    j.Close(']');
}

static void DumpFleets(TJson& j, int h)
{
    j.Key("fleets");
    j.Open('[');
    for (int f = 0; f < Game.Header.FleetCount; f++) {
        const TFleet& fl = Game.Fleets[f];
        if (fl.House != h) continue;
        j.Open('{');
        j.Field("i", f);
        j.Field("name", StrGet(fl.Name));
        j.Field("loc", StrGet(Game.Systems[fl.Loc].Name));
        j.Key("dest");
        if (fl.Dest < 0)
            j.Null();
        else
            j.Str(StrGet(Game.Systems[fl.Dest].Name));
        j.Field("order", fl.Order);
        j.Field("doctrine", fl.Doctrine);
        j.Field("target", fl.Target);
        j.Field("troops", fl.Troops);
        j.Field("speed", FleetMoveSpeed(f));
        j.Field("power", FleetPower(f));
        j.Key("ships");
        j.Open('[');
        for (int c = 0; c < ShipClasses; c++) j.Num(fl.Ships[c]);
        j.Close(']');
        j.Close('}');
    }
    j.Close(']');
}

static void DumpSystemWorlds(TJson& j, int h, int s)
{
    const TSystem& sys = Game.Systems[s];
    bool current = Current(h, s);
    j.Key("worlds");
    j.Open('[');
    for (int i = 0; i < sys.WorldCount; i++) {
        int w = sys.FirstWorld + i;
        const TWorld& wd = Game.Worlds[w];
        j.Open('{');
        j.Field("i", w);
        j.Field("n", i + 1);
        j.Field("kind", wd.Kind);
        if (!current && wd.Owner != h) {
            // Only what was seen: an owned system hides its worlds, an
            // unowned one shows them as unclaimed when last looked at.
            if (Chart(h, s).SeenOwner != 0) {
                j.Field("owner", -1);
            } else {
                j.Field("owner", 0);
                j.Field("guard", -1);
                j.Field("stale", 1);
            }
        } else {
            j.Field("owner", wd.Owner);
            j.Field("guard", wd.Guard);
            j.Field("relic", wd.Relic);
            j.Field("shield", wd.Shield);
            j.Field("pop", wd.Pop);
        }
        j.Close('}');
    }
    j.Close(']');
}

static void DumpSystems(TJson& j, int h)
{
    int cap = CapitalSystem(h);
    std::vector<int> hops = HopDistances(cap);
    j.Key("systems");
    j.Open('[');
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        const TChartEntry& c = Chart(h, s);
        if (c.SeenDay == 0) continue;
        bool current = Current(h, s);
        j.Open('{');
        j.Field("name", StrGet(Game.Systems[s].Name));
        j.Field("seen", c.SeenDay);
        j.Field("now", current ? 1 : 0);
        j.Field("owner", c.SeenOwner);
        j.Field("hops", cap < 0 ? -1 : hops[(size_t)s]);
        j.Field("x", Game.Systems[s].X);
        j.Field("y", Game.Systems[s].Y);
        j.Field("nest", current ? Game.Systems[s].NestStrength : 0);
        j.Key("lanes");
        j.Open('[');
        for (int l = 0; l < Game.Header.LaneCount; l++)
            if (LanePassable(l) && (Game.Lanes[l].A == s || Game.Lanes[l].B == s))
                j.Str(StrGet(Game.Systems[LaneOther(l, s)].Name));
        j.Close(']');
        DumpSystemWorlds(j, h, s);
        j.Field("enemy_power", EnemyPower(h, s));
        j.Close('}');
    }
    j.Close(']');
}

static void DumpHouses(TJson& j, int h)
{
    j.Key("houses");
    j.Open('[');
    for (int o = 1; o <= MaxHouseSlots; o++) {
        const THouse& hr = HouseRec(o);
        if (o == h || hr.Status == StatusFree) continue;
        j.Open('{');
        j.Field("i", o);
        j.Field("name", StrGet(hr.Name));
        j.Field("status", hr.Status);
        j.Field("score", hr.Score);
        j.Field("treaties", Relation(h, o).Treaties);
        j.Field("offer_to_me", Relation(o, h).Offer);
        j.Field("my_offer", Relation(h, o).Offer);
        j.Close('}');
    }
    j.Close(']');
}

static void DumpBuilds(TJson& j, int h)
{
    j.Key("builds");
    j.Open('[');
    for (int b = 0; b < Game.Header.BuildCount; b++) {
        const TBuildOrder& bo = Game.Builds[b];
        if (bo.House != h) continue;
        j.Open('{');
        j.Field("world", bo.World);
        j.Field("item", bo.Item);
        j.Field("count", bo.Count);
        j.Close('}');
    }
    j.Close(']');
}

static std::string HouseDump(int h)
{
    const TGameHeader& hd = Game.Header;
    const THouse& hr = HouseRec(h);
    TJson j;
    j.Open('{');
    j.Field("day", hd.Day);
    j.Field("lastday", hd.LastDay);
    j.Field("ended", hd.Ended);
    j.Field("house", h);
    j.Field("name", StrGet(hr.Name));
    j.Field("status", hr.Status);
    j.Field("ore", hr.Ore);
    j.Field("fuel", hr.Fuel);
    j.Field("infl", hr.Influence);
    j.Field("score", hr.Score);
    j.Field("restrack", hr.ResTrack);
    j.Field("respoints", hr.ResPoints);
    j.Key("res");
    j.Open('[');
    for (int t = 0; t < ResearchTracks; t++) j.Num(hr.Research[t]);
    j.Close(']');
    int cap = CapitalSystem(h);
    j.Key("capital");
    if (cap < 0)
        j.Null();
    else
        j.Str(StrGet(Game.Systems[cap].Name));
    // A game without an Exchange writes null and 0.
    int ex = hd.ExchangeSystem;
    j.Key("exchange");
    if (IsSystem(ex))
        j.Str(StrGet(Game.Systems[ex].Name));
    else
        j.Null();
    j.Field("exchange_known", IsSystem(ex) && Chart(h, ex).SeenDay > 0 ? 1 : 0);
    j.Key("price");
    j.Open('[');
    for (int i = 0; i < 3; i++) j.Num(hd.Price[i]);
    j.Close(']');
    DumpWorlds(j, h);
    DumpFleets(j, h);
    DumpSystems(j, h);
    DumpHouses(j, h);
    DumpBuilds(j, h);
    j.Field("unread", CountUnread(GameFolder, h));
    j.Close('}');
    return j.Out;
}

void CmdDump()
{
    if (CommandArgs.empty()) Fatal("dump needs a house number");
    int64_t v = 0;
    if (!ParseInt64(CommandArgs[0], v)) v = 0;
    TAccess a = GameOpen(GameFolder, 30, 20, false);
    if (a == AccessBusy) Fatal("the game is busy");
    if (a == AccessFailed) Fatal(GameAccessFailure());
    if (a != AccessOk) Fatal("no game");
    GameRelease();
    ComputeScores();
    if (v < 1 || v > MaxHouseSlots || HouseRec((int)v).Status == StatusFree) Fatal("no such house");
    Say(HouseDump((int)v));
}
