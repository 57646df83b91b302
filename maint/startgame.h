// Starting a new game from the command line.
#pragma once
#include <cstdint>
#include <string>

// The settings of THYRE.CFG with the command line's overrides, under the run
// marker and the folder lock; the message is the summary or the failure.
bool StartNewGame(uint32_t seed, std::string& message);
