// Replacing the game in a folder by a new one: the old game and its stores
// archived, a new map, the settings copied in, the computer houses founded.
#pragma once
#include <cstdint>
#include <string>

#include "core/settings.h"

bool StartGame(const std::string& folder, const TSettings& settings, uint32_t seed, std::string& summary);
// The settings of THYRE.CFG with the command line's overrides, under the run
// marker and the folder lock; the message is the summary or the failure.
bool StartNewGame(uint32_t seed, std::string& message);
