// The research screen (main menu T).
#pragma once

void ResearchScreen();
