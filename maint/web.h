// The game's page for the BBS's web site: standings, news, the Hall of
// Fame, a chart of every house's score night by night and, once a game has
// ended, the galaxy as a picture.  Static files, no script.
#pragma once
#include <string>

// Writes index.html, style.css, chart.svg and (for an ended game) its map
// into `out`, from the game folder's files; "" or the problem.
std::string WriteWebSite(const std::string& folder, const std::string& out);
void CmdWeb();
// The web folder THYRE.CFG names (WebFolder), as a path: a folder not given
// as a whole path lies in the game folder.  Empty when none is named.
struct TSettings;
std::string ConfiguredWebFolder(const std::string& gameFolder, const TSettings& s);
