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
