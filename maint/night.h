// The nightly run and the commands that play the game.
#pragma once
#include <string>

// The planner for every computer house and house on autopilot, then the turn.
bool PlayNight(const std::string& folder);
bool RunNight(std::string& message);
