#include "core/random.h"

#include "core/osfs.h"

static const uint32_t UnseededState = 0x92D68CA2u;
static uint32_t State = UnseededState;

void SeedRandom(uint32_t s) { State = s == 0 ? UnseededState : s; }
uint32_t RandomState() { return State; }

uint32_t NextRandom()
{
    uint32_t x = State;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    State = x;
    return x;
}

int Random(int n)
{
    if (n <= 0) return 0;
    return (int)(NextRandom() % (uint32_t)n);
}

int RandomRange(int lo, int hi)
{
    if (lo >= hi) return lo;
    // The span is at most 2^32 - 1 and is drawn unsigned.
    uint32_t span = (uint32_t)((int64_t)hi - lo + 1);
    return (int)((int64_t)lo + NextRandom() % span);
}

bool Chance(int p) { return Random(100) < p; }

int64_t Vary(int64_t x, int pct)
{
    int64_t d = x * pct / 100;
    if (d == 0) return x;
    // Kept within what a draw can span; a negative x draws nothing, as
    // RandomRange does for an empty range.
    if (d > INT32_MAX) d = INT32_MAX;
    if (d < -INT32_MAX) d = -INT32_MAX;
    return x + RandomRange((int)-d, (int)d);
}

uint32_t ClockSeedFrom(int year, int month, int day, int hour, int minute, int second, int hundredths)
{
    uint32_t days = (uint32_t)year * 372u + (uint32_t)month * 31u + (uint32_t)day;
    uint32_t secs = days * 86400u + (uint32_t)hour * 3600u + (uint32_t)minute * 60u + (uint32_t)second;
    uint32_t seed = secs * 100u + (uint32_t)hundredths;
    return seed == 0 ? 1 : seed;
}

uint32_t ClockSeed()
{
    TDateTime t = LocalNow();
    return ClockSeedFrom(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Hundredths);
}
