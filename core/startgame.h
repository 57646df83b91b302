// Replacing the game in a folder by a new one: the old game and its stores
// archived, a new map, the settings copied in, the computer houses founded.
// The caller holds the run marker and the folder lock.
#pragma once
#include <cstdint>
#include <string>

#include "core/settings.h"

// The summary tells what was done, or why it failed.  An ended game is
// recorded in the Hall of Fame before it is archived.
bool StartGame(const std::string& folder, const TSettings& settings, uint32_t seed, std::string& summary);
