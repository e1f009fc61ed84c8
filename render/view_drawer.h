// All drawing into the view happens here. A frame reaches the drawer as its strips, one
// stretched texture column per strip, and leaves it as pixels: the drawer writes every pixel of
// the view exactly once, background and walls together, row after row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace quellon {

// The drawing follows from the facts of a frame: its strips are kStripWidthPx wide and tile the
// view from the left edge, and each strip is background above and below one texture column
// stretched to the wall's height. So a row of the view is the colour of every strip at that
// row, each repeated across the strip's width; and a strip's colour changes only at its wall's
// top and bottom and where the stretched column moves on to its next texel. Those rows are
// known in advance, so every strip is put on a schedule of rows, and writing a row costs the
// storing of its pixels plus the few strips whose colour changes there. Rows are written top to
// bottom, each left to right, straight into the target: memory is walked once, in order.
class ViewDrawer {
  public:
    // Starts a frame: the view is `background` everywhere until a strip says otherwise.
    void clear(Colour background);

    // One strip's stretched copy, with the arguments the general StretchBlt takes for it: the
    // source rectangle (texColumn, 0, 1, kTextureSize) of `texture` onto the destination
    // rectangle (stripX, wallTop, kStripWidthPx, wallHeight). Every pixel comes out as StretchBlt
    // gives it. Strips come left to right, the first at 0 and each kStripWidthPx after the one
    // before; a strip out of that order, or one starting beyond the largest surface, is refused
    // and the result is false. A copy that StretchBlt would refuse (no height, a source outside
    // the texture) leaves the strip as background and is false too. `texture` must stay as it
    // is until draw() has run.
    bool stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                       const Surface& texture, int texColumn);

    // Writes the frame into `target`, each pixel once. Strips beyond the right edge are clipped
    // away; strips never given are background. Allocates nothing once it has drawn a frame of
    // that size.
    void draw(Surface& target);

  private:
    // A strip's wall: its column of texels and where the stretched copy puts it.
    struct Column {
        std::int32_t top = 0;
        std::int32_t height = 0;
        const Colour* texels = nullptr;  // texel k at texels[k * stride]; null: no wall
        int stride = 0;
    };
    // A strip's way down the view while a frame is written.
    struct Cursor {
        const Colour* texels;  // the column's first texel
        std::ptrdiff_t texel;  // index into texels of what the strip shows from its next row on
        int stride;            // from one texel of the column to the next
        std::int32_t height;   // the wall's height in rows
        int bottom;            // the row after the wall's last visible row
        // A wall at least as tall as the texture shows each texel for a run of rows: the run
        // of the next texel starts at row floor(runs / kTextureSize), where `runs` counts on by
        // the height per texel.
        std::int64_t runs;
        // A shorter wall shows a new texel on every row, skipping some: from one row to the
        // next the texel moves on by `skip` and a share `part` / height, kept in `share`.
        int skip;
        int part;
        int share;
    };

    void startColumn(int strip, const Column& column, int viewHeight);
    int advance(int strip, int row);
    void schedule(int strip, int row);

    Colour background_ = kBlack;
    Colour topByte_ = 0;  // the target's
    std::vector<Column> columns_;
    std::vector<Cursor> cursors_;
    std::vector<Colour> stripColours_;  // every strip's colour in the row being written
    std::vector<int> firstAt_;          // per row: the first strip that changes there, or -1
    std::vector<int> nextAt_;           // per strip: the next strip changing in the same row
    int viewHeight_ = 0;
};

}  // namespace quellon
