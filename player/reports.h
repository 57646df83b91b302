// The screens that tell the caller where the game stands: the status bar,
// the overnight report, the news and standings, the Hall of Fame and help.
#pragma once
#include <string>

void ShowStatusBar();
void ShowNightReport(int day);
void BrowseReports();
void ShowNews();
void DrawNews();   // the news and standings, before the question
void ShowHallOfFame();
void ShowHelp();

// The pieces of the status bar, for the caller's house in the loaded game.
std::string ResearchText(int house);
int HouseRank(int house, int* ranked);   // the rank; *ranked the houses ranked
