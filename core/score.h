// A house's score, recomputed every night and shown on every screen.
#pragma once
#include <vector>

void ComputeScores();

// The houses in the standings, highest score first; a tie keeps slot order.
// countOut adds the houses knocked out (the Hall of Fame lists them).
std::vector<int> RankedHouses(bool countOut);
// The house playing with the highest score (the first slot of a tie), or 0.
int LeadingHouse();
// House h's place in the standings: 1 and one more for every other house in
// them with a higher score, so tied houses share a place (1, 1, 3).
// countOut as for RankedHouses; 0 for a house not in the standings.
int ScoreRank(int h, bool countOut);
// Ends the game: the night's victories and the sysop's end alike.  winner 0
// (no house playing) ends it without a winner.
void EndGameWith(int winner, int kind);
