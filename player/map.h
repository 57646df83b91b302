// The map of what the caller's house knows, at three zoom levels, and the
// look at one system.
#pragma once
#include <string>
#include <vector>

enum { MapCols = 78, MapRows = 17, MapMinZoom = 1, MapMaxZoom = 3, MapMiddle = 500, MapEdge = 1000 };

struct TMapView {
    int Zoom = 2;
    int CentreX = MapMiddle;
    int CentreY = MapMiddle;
};

// The grid of the map, drawn from the loaded game for one house.
struct TMapGrid {
    char Ch[MapRows][MapCols];
    unsigned char Colour[MapRows][MapCols];
};

void DrawMap(int house, const TMapView& view, TMapGrid& grid);
// The 17 rows as text with colour codes, a code before the first cell and
// wherever the colour changes.
std::vector<std::string> MapLines(const TMapGrid& grid);

void ShowMap(const TMapView& view);   // the map page, drawn for the caller
void MapScreen();
void SystemView(int system);
