// The league's exchanges and the `ydmaint league` commands.
#pragma once
#include <string>

#include "core/league.h"

// A member's journal to the host, or the host's game to every member.
bool LeagueSend(const TLeagueConfig& c, std::string& summary);
// The packets for this board in its inbound, each applied once.
bool LeagueReceive(const TLeagueConfig& c, std::string& summary);
// ydmaint league init|keygen|status|send|receive; the exit code.
int CmdLeague();
