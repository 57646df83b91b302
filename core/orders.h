// Every order a house can give, from the door or from the computer houses'
// planner.  Each checks the order in a fixed order and either records it in
// the game state at once (paying its ore) or gives back the message of the
// first check that failed, leaving the state as it was.  "" is success.
#pragma once
#include <string>

int SlotCount(int w);
int FreeSlots(int w);

std::string BuildShips(int h, int w, int c, int n);
std::string BuildBuilding(int h, int w, int k);
// Why house h can build nothing on world w ("" when some building can be
// ordered there): the checks of BuildBuilding that do not depend on which.
std::string BuildingRefusal(int h, int w);
bool AddBuildOrder(int h, int w, int item, int n);
std::string CancelBuild(int h, int i);
std::string SetFocus(int h, int w, int focus);
std::string SetResearch(int h, int t);
// The saved points house h loses by switching its research to track t.
int ResearchPointsLost(int h, int t);
// Why house h's troops may not land on world w: its own world, a world
// nobody holds (settled, not invaded), or a house at peace with h.  The
// order is refused for it, and the night calls off a landing for it.
std::string InvasionRefusal(int h, int w);
// Why house h's settlers may not found a colony on world w: somebody, h
// itself included, holds it.  The order is refused for it, and the night
// keeps the settlers waiting for it.
std::string SettleRefusal(int h, int w);
// Why house h's fleet f may not settle (OrderSettle) or invade (OrderInvade)
// world target as things stand: the check of those orders, also asked of a
// standing order when the fleet is shown (a battle may have taken its Seeder).
std::string LandingRefusal(int h, int f, int order, int target);
std::string OrderFleet(int h, int f, int order, int s, int target);
std::string SetDoctrine(int h, int f, int d);
// newFleet is the new fleet's number, -1 when none was made.  The new
// fleet's name is refused as a rename's is when another fleet of the house
// has it.
std::string SplitFleet(int h, int f, const int counts[7], int troops, const std::string& name, int* newFleet = nullptr);
std::string JoinFleets(int h, int a, int b);
// Cancels order i only while it is still the order the caller was shown.
std::string CancelListedBuild(int h, int i, int world, int item, int count);
// A fleet's new name: at most 15 characters, no colour codes, and no other
// fleet of the house called so (in any letter case).
std::string RenameFleet(int h, int f, const std::string& name);
// Why house h may not give a fleet other than `except` (-1: none) this
// name: another of its fleets has it, in any letter case.  "" when free.
// A caller's split and rename are refused for it; the computer houses'
// own detachments are not named by a caller and are not held to it.
std::string FleetNameRefusal(int h, const std::string& name, int except);
// base, or base + " 2", " 3"...: the first name no fleet of house h has.
std::string FreeFleetName(int h, const std::string& base);
