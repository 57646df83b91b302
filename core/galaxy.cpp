#include "core/galaxy.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/model.h"
#include "core/random.h"
#include "core/routes.h"
#include "core/rules.h"
#include "core/text.h"

std::string MakeSystemName()
{
    std::string name = NameFirst[Random(40)];
    name += NameSecond[Random(20)];
    if (Chance(75)) name += NameThird[Random(24)];
    return name;
}

int32_t SquaredDistance(int s, int t)
{
    int32_t dx = Game.Systems[s].X - Game.Systems[t].X;
    int32_t dy = Game.Systems[s].Y - Game.Systems[t].Y;
    return dx * dx + dy * dy;
}

static int64_t Orientation(int p, int q, int r)
{
    const TSystem &P = Game.Systems[p], &Q = Game.Systems[q], &R = Game.Systems[r];
    return ((int64_t)Q.X - P.X) * ((int64_t)R.Y - P.Y) - ((int64_t)Q.Y - P.Y) * ((int64_t)R.X - P.X);
}

static int Sign(int64_t v) { return (v > 0) - (v < 0); }

bool Crosses(int a, int b)
{
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        int c = Game.Lanes[l].A, d = Game.Lanes[l].B;
        if (c == a || c == b || d == a || d == b) continue;   // shares an end
        if (Sign(Orientation(a, b, c)) * Sign(Orientation(a, b, d)) < 0 &&
            Sign(Orientation(c, d, a)) * Sign(Orientation(c, d, b)) < 0)
            return true;
    }
    return false;
}

bool AddLane(int a, int b, int state)
{
    if (a == b || Game.Header.LaneCount >= MaxLanes || FindLane(a, b) >= 0) return false;
    TLane& l = Game.Lanes[Game.Header.LaneCount++];
    std::memset(&l, 0, sizeof l);
    l.A = (int16_t)a;
    l.B = (int16_t)b;
    l.State = (uint8_t)state;
    return true;
}

void CreateWorld(int s, int kind)
{
    if (Game.Header.WorldCount >= MaxWorlds) return;
    int w = Game.Header.WorldCount++;
    TWorld& wd = Game.Worlds[w];
    std::memset(&wd, 0, sizeof wd);
    wd.System = (int16_t)s;
    wd.Kind = (uint8_t)kind;
    wd.MaxPop = (int32_t)Vary(WorldKindTable[kind].MaxPopBase, 25);
    wd.Slots = (uint8_t)WorldKindTable[kind].KindSlots;
    wd.Loyalty = 50;
    if (kind == KindRuin) wd.Guard = (int16_t)RandomRange(8, 20);
    TSystem& sys = Game.Systems[s];
    if (sys.WorldCount == 0) sys.FirstWorld = (int16_t)w;
    sys.WorldCount++;
}

int RandomKind()
{
    int r = Random(100), edge = 0;
    for (int k = 0; k < 5; k++) {
        edge += WorldKindTable[k].Share;
        if (r < edge) return k;
    }
    return KindRuin;
}

static void SetHeader(const TNewGame& p)
{
    TGameHeader& h = Game.Header;
    StrSet(h.GameName, p.Name.substr(0, 39));
    auto clamped = [](int v, const char* key) { return Clamp(v, SettingField(key)->Low, SettingField(key)->High); };
    h.MaxHouses = (uint8_t)clamped(p.Players, "MAXHOUSES");
    h.SystemsPerHouse = (uint8_t)clamped(p.SystemsPerHouse, "SYSTEMSPERHOUSE");
    h.LastDay = (uint16_t)p.Days;
    h.JoinDays = (uint16_t)p.JoinDays;
    h.Hollow = (uint8_t)clamped(p.Hollow, "HOLLOW");
    h.Victories = (uint8_t)(p.Victories & 0xFF);
    h.Day = 1;
    h.AutopilotAfter = DefaultAutopilotAfter;
    h.DissolveAfter = DefaultDissolveAfter;
    for (int r = 0; r < 3; r++) h.Price[r] = (uint16_t)ExchangeRestPrice[r];
}

static void PlaceSystems(int n)
{
    int32_t minDist = 3600;
    for (int i = 0; i < n; i++) {
        TSystem& sys = Game.Systems[i];
        std::memset(&sys, 0, sizeof sys);
        for (int attempt = 1;; attempt++) {
            sys.X = (int16_t)RandomRange(20, 980);
            sys.Y = (int16_t)RandomRange(20, 980);
            bool good = true;
            for (int j = 0; j < i && good; j++) good = SquaredDistance(i, j) >= minDist;
            // Crowded maps relax the spacing a quarter every 200 tries.
            if (attempt % 200 == 0) minDist = minDist * 3 / 4;
            if (good) break;
        }
        for (;;) {
            StrSet(sys.Name, MakeSystemName());
            std::string name = StrGet(sys.Name);
            bool unique = true;
            for (int j = 0; j < i && unique; j++) unique = StrGet(Game.Systems[j].Name) != name;
            if (unique) break;
        }
        sys.Star = (uint8_t)Random(5);
    }
    Game.Header.SystemCount = (int16_t)n;
}

// Systems j != i that have no lane to i and fewer than 5 lanes, nearest first
// (ties in table order).  Trying them in this order and taking the first that
// crosses nothing gives the nearest non-crossing one without testing the rest.
static std::vector<int> Candidates(int i, int32_t below)
{
    int n = Game.Header.SystemCount;
    std::vector<int> degree((size_t)n, 0);
    std::vector<char> linked((size_t)n, 0);
    for (int l = 0; l < Game.Header.LaneCount; l++) {
        const TLane& ln = Game.Lanes[l];
        degree[(size_t)ln.A]++;
        degree[(size_t)ln.B]++;
        if (ln.A == i) linked[(size_t)ln.B] = 1;
        if (ln.B == i) linked[(size_t)ln.A] = 1;
    }
    std::vector<int> out;
    for (int j = 0; j < n; j++)
        if (j != i && !linked[(size_t)j] && degree[(size_t)j] < 5 && SquaredDistance(i, j) < below) out.push_back(j);
    std::stable_sort(out.begin(), out.end(),
                     [i](int a, int b) { return SquaredDistance(i, a) < SquaredDistance(i, b); });
    return out;
}

static int NearestOpenTo(int i, int32_t below)
{
    for (int j : Candidates(i, below))
        if (!Crosses(i, j)) return j;
    return -1;
}

static void LocalLinks()
{
    for (int i = 0; i < Game.Header.SystemCount; i++) {
        int want = RandomRange(2, 3);
        int have = LaneDegree(i, false);
        for (int round = 0; round < 6 && have < want; round++) {
            int j = NearestOpenTo(i, INT32_MAX);
            if (j < 0) break;
            if (AddLane(i, j, LaneOpen)) have++;
        }
    }
}

// Systems reached from system 0 over every lane in the table, whatever its state.
static std::vector<char> ConnectedToFirst()
{
    int n = Game.Header.SystemCount;
    TLaneLists lists;
    BuildLaneLists(lists, nullptr);
    std::vector<int> dist((size_t)n, -1);
    SearchHops(lists, 0, dist);
    std::vector<char> seen((size_t)n, 0);
    for (int s = 0; s < n; s++) seen[(size_t)s] = dist[(size_t)s] >= 0;
    return seen;
}

static void ConnectAll()
{
    int n = Game.Header.SystemCount;
    for (;;) {
        std::vector<char> in = ConnectedToFirst();
        struct TPair {
            int32_t D;
            int S, T;
        };
        std::vector<TPair> pairs;
        for (int s = 0; s < n; s++)
            if (in[(size_t)s])
                for (int t = 0; t < n; t++)
                    if (!in[(size_t)t]) pairs.push_back({SquaredDistance(s, t), s, t});
        if (pairs.empty()) return;
        // Nearest first, ties in (s, t) table order as the nested scan meets them.
        std::stable_sort(pairs.begin(), pairs.end(), [](const TPair& a, const TPair& b) { return a.D < b.D; });
        const TPair* pick = &pairs[0];
        for (const TPair& p : pairs)
            if (!Crosses(p.S, p.T)) {
                pick = &p;
                break;
            }
        // A full lane table cannot connect more; stop rather than loop.
        if (!AddLane(pick->S, pick->T, LaneOpen)) return;
    }
}

static void SpareLanes()
{
    for (int i = 0; i < Game.Header.SystemCount; i++) {
        if (!Chance(35)) continue;
        int j = NearestOpenTo(i, 67600);
        if (j >= 0) AddLane(i, j, LaneClosed);
    }
}

static std::vector<int> PlaceHomes(std::vector<int>& homeDistance)
{
    int n = Game.Header.SystemCount;
    homeDistance.assign((size_t)n, 999);
    std::vector<int> homes;
    int first = Random(n);
    for (int k = 0; k < Game.Header.MaxHouses; k++) {
        int chosen = first;
        if (k > 0) {
            chosen = -1;
            int best = -1;
            for (int s = 0; s < n; s++)
                if (LaneDegree(s, true) >= 2 && homeDistance[(size_t)s] > best) {
                    best = homeDistance[(size_t)s];
                    chosen = s;
                }
            if (chosen < 0) chosen = Random(n);
        }
        std::vector<int> hops = HopDistances(chosen);
        for (int s = 0; s < n; s++)
            if (hops[(size_t)s] >= 0 && hops[(size_t)s] < homeDistance[(size_t)s]) homeDistance[(size_t)s] = hops[(size_t)s];
        Game.Systems[chosen].Flags |= SysHome;
        homes.push_back(chosen);
    }
    return homes;
}

static void MakeWorlds()
{
    int n = Game.Header.SystemCount;
    // Worlds still owed to the systems after s: three for a home position,
    // at least one for any other.  A map that would pass the world table gets
    // fewer worlds in its ordinary systems instead; any map that fits is made
    // exactly as drawn.
    std::vector<int> owedAfter((size_t)n + 1, 0);
    for (int s = n - 1; s >= 0; s--)
        owedAfter[(size_t)s] = owedAfter[(size_t)s + 1] + ((Game.Systems[s].Flags & SysHome) ? 3 : 1);
    for (int s = 0; s < n; s++) {
        if (Game.Systems[s].Flags & SysHome) {
            CreateWorld(s, KindTemperate);
            CreateWorld(s, KindRock);
            CreateWorld(s, KindGasGiant);
            continue;
        }
        int k = RandomRange(1, 4);
        int room = MaxWorlds - Game.Header.WorldCount - owedAfter[(size_t)s + 1];
        if (k > room) k = room < 1 ? 1 : room;
        for (int i = 0; i < k; i++) CreateWorld(s, RandomKind());
    }
}

static void PlaceExchange()
{
    Game.Header.ExchangeSystem = -1;
    int32_t best = 0;
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        const TSystem& sys = Game.Systems[s];
        if (sys.Flags & SysHome) continue;
        int32_t dx = sys.X - 500, dy = sys.Y - 500, d = dx * dx + dy * dy;
        if (Game.Header.ExchangeSystem < 0 || d < best) {
            best = d;
            Game.Header.ExchangeSystem = (int16_t)s;
        }
    }
    if (Game.Header.ExchangeSystem >= 0) Game.Systems[Game.Header.ExchangeSystem].Flags |= SysExchange;
}

static void PlaceNests(std::vector<int>& homeDistance)
{
    int hollow = Game.Header.Hollow;
    if (hollow <= 0) return;
    int count = (int)Max(1, Game.Header.MaxHouses / 3 + hollow - 2);
    for (int i = 0; i < count; i++) {
        int pick = -1, best = 2;
        for (int s = 0; s < Game.Header.SystemCount; s++)
            if ((Game.Systems[s].Flags & (SysNest | SysExchange | SysHome)) == 0 && homeDistance[(size_t)s] > best) {
                best = homeDistance[(size_t)s];
                pick = s;
            }
        if (pick < 0) return;
        Game.Systems[pick].Flags |= SysNest;
        Game.Systems[pick].NestStrength = (uint8_t)(hollow * 10 + 15 + Random(10));
        homeDistance[(size_t)pick] = 0;
    }
}

static void PlaceRelics()
{
    int relics = 0;
    for (int s = 0; s < Game.Header.SystemCount; s++) {
        const TSystem& sys = Game.Systems[s];
        if (!(sys.Flags & SysNest) || sys.WorldCount == 0) continue;
        TWorld& w = Game.Worlds[sys.FirstWorld + Random(sys.WorldCount)];
        w.Kind = KindRuin;
        w.Slots = 3;
        w.MaxPop = (int32_t)Vary(5000, 25);
        w.Guard = (int16_t)RandomRange(20, 35);
        w.Relic = (uint8_t)++relics;
    }
    for (int i = 0; i < Game.Header.WorldCount; i++) {
        TWorld& w = Game.Worlds[i];
        if (w.Kind == KindRuin && w.Relic == 0 && relics < RelicCount && Chance(60)) w.Relic = (uint8_t)++relics;
    }
}

bool GenerateGalaxy(const TNewGame& params)
{
    ResetGame();
    SeedRandom((uint32_t)params.Seed);
    SetHeader(params);
    int n = (int)Min((int64_t)Game.Header.MaxHouses * Game.Header.SystemsPerHouse, MaxSystems);
    PlaceSystems(n);
    LocalLinks();
    ConnectAll();
    SpareLanes();
    std::vector<int> homeDistance;
    PlaceHomes(homeDistance);
    MakeWorlds();
    PlaceExchange();
    PlaceNests(homeDistance);
    PlaceRelics();
    return true;
}
