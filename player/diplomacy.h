// The diplomacy screen and its treaty picker.
#pragma once
#include <string>

void DiplomacyScreen();
int PickTreaty(const std::string& prompt);   // a treaty bit, or 0
