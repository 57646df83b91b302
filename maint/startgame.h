// Starting a new game from the command line.
#pragma once
#include <cstdint>
#include <string>

// The settings of THYRE.CFG with the command line's overrides, under the run
// marker and the folder lock; the message is the summary or the failure.
// With `stillWanted`, asked once the lock is had: false (another run started
// a game meanwhile) leaves the folder alone, a success with an empty message.
bool StartNewGame(uint32_t seed, std::string& message, bool (*stillWanted)() = nullptr);
