// Founding a house: a free slot, a free home position, three worlds, three
// fleets and a first look at the neighbourhood.
#pragma once
#include <string>

int FoundHouse(const std::string& name, const std::string& player, int computer);
// A name a new house may take: 3 to 23 characters, no colour codes (a
// backtick), and no other house's name in any letter case.
bool HouseNameFree(const std::string& name);
// A player came to their house today: seen on this day, and back from
// autopilot.
void HouseCameOn(int h);
