// The research and diplomacy screens.
#pragma once
#include <string>

void ResearchScreen();
void DiplomacyScreen();
int PickTreaty(const std::string& prompt);   // a treaty bit, or 0
