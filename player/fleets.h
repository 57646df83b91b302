// The fleet screens: the list, one fleet's menu and detail, and every order.
#pragma once
#include <string>
#include <vector>

void FleetsScreen();
// The caller's fleets listed, at most capacity + 1; their numbers in list order.
std::vector<int> FleetList(int capacity);
std::string ShortShips(int fleet);
std::string FleetHeading(int fleet);
