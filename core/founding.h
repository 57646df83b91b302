// Founding a house: a free slot, a free home position, three worlds, three
// fleets and a first look at the neighbourhood.
#pragma once
#include <string>

int FoundHouse(const std::string& name, const std::string& player, int computer);
// Whether FoundHouse would find room: the game open to new houses, a free
// slot and a free home system.
bool RoomToFound();
// A name a new house may take: 3 to 23 characters, a letter among them, no
// colour codes (a backtick), and no other house's name in any letter case.
bool HouseNameFree(const std::string& name);
// Why a name cannot be a house's, whoever holds it: too long or too short,
// colour codes, or not a single letter in it.  "" for a good name.
std::string HouseNameRefusal(const std::string& name);
// Whether a house in another slot than skip (0: none) has that name, in
// any letter case.
bool HouseNameTaken(const std::string& name, int skip);
// A player came to their house today: seen on this day, and back from
// autopilot.
void HouseCameOn(int h);
// A house leaves the game: out, its worlds independent, its fleets gone, no
// tribute to or from it.
void HouseLeaves(int h);
