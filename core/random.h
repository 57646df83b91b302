// The game's one random generator: a 32-bit xorshift (13, 17, 5) whose state
// is carried in the game header from night to night, so a night replayed from
// the same saved game draws the same numbers.
#pragma once
#include <cstdint>

void SeedRandom(uint32_t s);
uint32_t NextRandom();
uint32_t RandomState();
int Random(int n);                  // 0 <= r < n; 0 without a draw when n <= 0
int RandomRange(int lo, int hi);    // lo <= r <= hi; lo without a draw when lo >= hi
bool Chance(int p);                 // always draws
int64_t Vary(int64_t x, int pct);   // x +/- up to pct percent; no draw when that is 0
uint32_t ClockSeed();
uint32_t ClockSeedFrom(int year, int month, int day, int hour, int minute, int second, int hundredths);
