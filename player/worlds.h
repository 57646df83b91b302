// The worlds and build screens: the world list and one world's screen with
// its focus, building and ship dialogues, and tomorrow's build orders.
#pragma once
#include <vector>

void WorldsScreen();
void BuildScreen();
std::vector<int> WorldList(int capacity);
void WorldScreen(int world);
void BuildShipDialog(int world);
void BuildBuildingDialog(int world);
