#include "render/ray_map.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "math/angles.h"
#include "world/level.h"

namespace quellon {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t quotient = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}

// Draws on the map with one rule: pixels over a wall cell (or off the grid) are left alone,
// so everything drawn keeps to open floor. It works in pixels counted from the grid's corner
// (x = 0, y = 0), the view's origin: where the map lies in the target and how large the target
// is move the drawing, but never change which pixels a line or a mark covers.
class MapPainter {
  public:
    MapPainter(Surface& target, const RayMapView& view, const WorldMap& worldMap)
        : target_(target), view_(view), worldMap_(worldMap) {}

    // A map point in pixels from the grid's corner; y grows upward on the map, so downward in
    // pixels it is negative.
    double pixelX(float mapX) const { return static_cast<double>(mapX) * view_.scale; }
    double pixelY(float mapY) const { return -static_cast<double>(mapY) * view_.scale; }

    // The pixel (px, py) from the grid's corner, if it lies on the target over open floor: `word`,
    // a colour already in the target's format.
    void plot(std::int64_t px, std::int64_t py, Colour word) {
        const std::int64_t x = px + view_.originX;
        const std::int64_t y = py + view_.originY;
        if (x < 0 || y < 0 || x >= target_.width() || y >= target_.height()) {
            return;
        }
        const auto column = static_cast<int>(floorDiv(px, view_.scale));
        const auto row = static_cast<int>(floorDiv(-1 - py, view_.scale));
        if (!WorldMap::inside(column, row) || worldMap_(column, row) != kOpenFloor) {
            return;
        }
        target_.put(static_cast<int>(x), static_cast<int>(y), word);
    }

    // The pixels a straight line from point a to point b passes through, sampled once per
    // pixel along its longer axis. Only the samples on the target are taken, the same ones
    // however much of the line the target holds.
    void line(double ax, double ay, double bx, double by, Colour colour) {
        if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) {
            return;
        }
        const double dx = bx - ax;
        const double dy = by - ay;
        double from = 0.0;
        double to = 1.0;
        if (!clip(ax, ay, dx, dy, from, to)) {
            return;
        }
        const Colour word = target_.pixel(colour);
        const double steps = std::ceil(std::max(std::fabs(dx), std::fabs(dy)));
        if (steps == 0.0) {
            plot(static_cast<std::int64_t>(std::floor(ax)),
                 static_cast<std::int64_t>(std::floor(ay)), word);
            return;
        }
        const auto first = static_cast<std::int64_t>(std::ceil(from * steps));
        const auto last = static_cast<std::int64_t>(std::floor(to * steps));
        for (std::int64_t i = first; i <= last; ++i) {
            const double t = static_cast<double>(i) / steps;
            plot(static_cast<std::int64_t>(std::floor(ax + dx * t)),
                 static_cast<std::int64_t>(std::floor(ay + dy * t)), word);
        }
    }

    // A small plus centred on the pixel holding the point.
    void mark(double x, double y, int arm, Colour colour) {
        if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kFar || std::fabs(y) > kFar) {
            return;
        }
        const auto px = static_cast<std::int64_t>(std::floor(x));
        const auto py = static_cast<std::int64_t>(std::floor(y));
        const Colour word = target_.pixel(colour);
        for (int d = -arm; d <= arm; ++d) {
            plot(px + d, py, word);
            plot(px, py + d, word);
        }
    }

    // A filled disc of `radius` pixels around a point, at least the pixel holding it.
    void disc(double x, double y, int radius, Colour colour) {
        const auto px = static_cast<std::int64_t>(std::floor(x));
        const auto py = static_cast<std::int64_t>(std::floor(y));
        const Colour word = target_.pixel(colour);
        plot(px, py, word);
        for (std::int64_t row = py - radius; row <= py + radius; ++row) {
            for (std::int64_t column = px - radius; column <= px + radius; ++column) {
                const double ex = static_cast<double>(column) + 0.5 - x;
                const double ey = static_cast<double>(row) + 0.5 - y;
                if (ex * ex + ey * ey <= static_cast<double>(radius) * radius) {
                    plot(column, row, word);
                }
            }
        }
    }

  private:
    // Further out than this nothing can be on any surface.
    static constexpr double kFar = 1e9;

    // Narrows [from, to] to the part of the line a + t * d that lies on a margin around the
    // target (Liang-Barsky); false if none does.
    bool clip(double ax, double ay, double dx, double dy, double& from, double& to) const {
        const double left = -1.0 - view_.originX;
        const double top = -1.0 - view_.originY;
        const double right = target_.width() + 1.0 - view_.originX;
        const double bottom = target_.height() + 1.0 - view_.originY;
        const double limits[4][2] = {
            {-dx, ax - left}, {dx, right - ax}, {-dy, ay - top}, {dy, bottom - ay}};
        for (const auto& [p, q] : limits) {
            if (p == 0.0) {
                if (q < 0.0) {
                    return false;
                }
                continue;
            }
            const double r = q / p;
            if (p < 0.0) {
                from = std::max(from, r);
            } else {
                to = std::min(to, r);
            }
        }
        return from <= to;
    }

    Surface& target_;
    const RayMapView& view_;
    const WorldMap& worldMap_;
};

void drawCells(Surface& target, const RayMapView& view, const WorldMap& worldMap) {
    target.fill(map_colour::kOffGrid);
    const std::int64_t scale = view.scale;
    for (int row = 0; row < kMapSize; ++row) {
        for (int column = 0; column < kMapSize; ++column) {
            const std::int16_t code = worldMap(column, row);
            fillRect(target, view.originX + column * scale, view.originY - (row + 1) * scale, scale,
                     scale,
                     code >= 0 && code < kCellCodes ? kLevelColours[code] : map_colour::kOffGrid);
        }
    }
}

Colour rayColour(const Strip& strip) {
    return strip.hit.walk == WalkLines::kHorizontal ? map_colour::kHorizontalRay
                                                    : map_colour::kVerticalRay;
}

}  // namespace

void drawRayMap(Surface& target, const RayMapView& view, const Scene& scene,
                std::span<const Strip> strips, std::optional<ChosenStrip> chosen) {
    if (target.width() == 0 || target.height() == 0 || view.scale < kMinMapScale ||
        view.scale > kMaxMapScale) {
        return;
    }
    drawCells(target, view, scene.worldMap);
    MapPainter painter(target, view, scene.worldMap);
    const double playerX = painter.pixelX(scene.pose.playerX);
    const double playerY = painter.pixelY(scene.pose.playerY);
    for (const Strip& strip : strips) {
        painter.line(playerX, playerY, painter.pixelX(strip.hit.hitX),
                     painter.pixelY(strip.hit.hitY), rayColour(strip));
    }
    if (chosen && chosen->index >= 0 && chosen->index < static_cast<int>(strips.size())) {
        const Strip& strip = strips[static_cast<std::size_t>(chosen->index)];
        painter.line(playerX, playerY, painter.pixelX(strip.hit.hitX),
                     painter.pixelY(strip.hit.hitY), map_colour::kChosenRay);
        const int arm = view.scale >= kDefaultMapScale ? 2 : 1;
        for (const CellRead& read : chosen->reads) {
            painter.mark(painter.pixelX(read.x), painter.pixelY(read.y), arm,
                         read.walk == WalkLines::kHorizontal ? map_colour::kHorizontalCrossing
                                                             : map_colour::kVerticalCrossing);
        }
    }
    // The player on top: a dot a quarter cell across at most, and the heading from its centre.
    const std::int16_t heading = roundToLookupArgument(scene.pose.playerAngle);
    const double reach = std::max(3, view.scale * 3 / 4);
    painter.line(playerX, playerY, playerX + reach * scene.trig.lSin(heading),
                 playerY - reach * scene.trig.lCos(heading), map_colour::kPlayer);
    painter.disc(playerX, playerY, view.scale / 4, map_colour::kPlayer);
}

RayMapView mapViewCentredOn(float x, float y, int scale, int centreX, int centreY) {
    RayMapView view;
    view.scale = std::clamp(scale, kMinMapScale, kMaxMapScale);
    view.originX = centreX - static_cast<int>(std::lround(static_cast<double>(x) * view.scale));
    view.originY = centreY + static_cast<int>(std::lround(static_cast<double>(y) * view.scale));
    return view;
}

RayMapView wholeGridView(int scale) {
    return RayMapView{scale, 0, kMapSize * scale};
}

std::optional<MapCell> mapCellAt(const RayMapView& view, int px, int py) {
    if (view.scale < kMinMapScale) {
        return std::nullopt;
    }
    const auto column = static_cast<int>(floorDiv(std::int64_t{px} - view.originX, view.scale));
    const auto row = static_cast<int>(floorDiv(std::int64_t{view.originY} - 1 - py, view.scale));
    if (!WorldMap::inside(column, row)) {
        return std::nullopt;
    }
    return MapCell{column, row};
}

MapPoint mapPointAt(const RayMapView& view, int px, int py) {
    const double scale = std::max(view.scale, kMinMapScale);
    return MapPoint{static_cast<float>((std::int64_t{px} - view.originX) / scale),
                    static_cast<float>((std::int64_t{view.originY} - py) / scale)};
}

}  // namespace quellon
