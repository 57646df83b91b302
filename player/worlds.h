// The worlds and build screens: the world list and one world's screen with
// its focus, building and ship dialogues, and tomorrow's build orders.
#pragma once
#include <vector>

void WorldsScreen();
void BuildScreen();
// ordered, when given, is set when some slot shows a building on order.
std::vector<int> WorldList(int capacity, bool* ordered = nullptr);
void WorldScreen(int world);
void BuildShipDialog(int world);
void BuildBuildingDialog(int world);
