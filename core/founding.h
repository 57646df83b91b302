// Founding a house: a free slot, a free home position, three worlds, three
// fleets and a first look at the neighbourhood.
#pragma once
#include <string>

int FoundHouse(const std::string& name, const std::string& player, int computer);
