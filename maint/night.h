// The nightly run and the commands that play the game.
#pragma once
#include <string>

bool RunNight(std::string& message);
