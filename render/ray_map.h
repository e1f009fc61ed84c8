// The ray map: the level from above with the rays of one frame, so that the picture can be
// traced back to the grid. Cells in their level colours, the player, every strip's ray from the
// player to the wall point its chosen walk ended on, and for one chosen strip every crossing
// its two walks read. Drawing only; the strips are the renderer's own.
#pragma once

#include <optional>
#include <span>

#include "gfx/surface.h"
#include "render/raycast.h"

namespace quellon {

inline constexpr int kMinMapScale = 1;
inline constexpr int kMaxMapScale = 32;
inline constexpr int kDefaultMapScale = 8;

// Where the map lies in the target: cell (x, y) covers the pixels
// [originX + x * scale, originX + (x + 1) * scale) by
// [originY - (y + 1) * scale, originY - y * scale): x to the right and y upward. The headings
// turn from +y towards +x, so with +y up a heading turns clockwise as it grows, as it does on
// the screen when Right is held, and what lies left of the heading on the map is what the view
// shows on its left. Row 0 of the grid (the top row of the grid file and of a level image) is
// the map's bottom row.
struct RayMapView {
    int scale = kDefaultMapScale;
    int originX = 0;
    int originY = 0;
};

// The view of the whole grid in a picture kMapSize * scale pixels square.
RayMapView wholeGridView(int scale);

// The colours the map draws with, over the level's own.
namespace map_colour {
inline constexpr Colour kOffGrid = rgb(40, 40, 48);
inline constexpr Colour kPlayer = rgb(255, 72, 72);
inline constexpr Colour kHorizontalRay = rgb(255, 150, 40);  // the horizontal walk was chosen
inline constexpr Colour kVerticalRay = rgb(60, 190, 255);    // the vertical walk was chosen
inline constexpr Colour kChosenRay = rgb(255, 80, 255);
inline constexpr Colour kHorizontalCrossing = rgb(255, 235, 160);
inline constexpr Colour kVerticalCrossing = rgb(175, 255, 255);
}  // namespace map_colour

// What the map shows of one strip in particular: its index and the cells its walks read.
struct ChosenStrip {
    int index;
    std::span<const CellRead> reads;
};

// Draws the map into the whole of `target`: off the grid kOffGrid, each cell in its level
// colour, then the rays of `strips` (a frame's strips as castStrips gave them), the chosen one
// highlighted with a mark on each crossing its walks read, and the player as a dot (radius at
// most a quarter cell) with a short mark along the heading. Only the level's colours are ever
// drawn inside a wall cell: rays, marks and the player keep to open floor.
void drawRayMap(Surface& target, const RayMapView& view, const Scene& scene,
                std::span<const Strip> strips, std::optional<ChosenStrip> chosen);

// The view that puts map point (x, y) at pixel (centreX, centreY), at `scale`.
RayMapView mapViewCentredOn(float x, float y, int scale, int centreX, int centreY);

struct MapCell {
    int column;
    int row;
};

// The cell of the grid under pixel (px, py), or none off the grid.
std::optional<MapCell> mapCellAt(const RayMapView& view, int px, int py);

struct MapPoint {
    float x;
    float y;
};

// The map point at the top-left corner of pixel (px, py), on the grid or off it.
MapPoint mapPointAt(const RayMapView& view, int px, int py);

}  // namespace quellon
