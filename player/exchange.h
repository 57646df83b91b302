// The Exchange screen (main menu X).
#pragma once

void ExchangeScreen();
