// All drawing into the view happens here. A frame reaches the drawer as its strips, one
// stretched texture column (or, under the plain-walls rule, one colour) per strip, and leaves it
// as pixels: the drawer writes every pixel of the view exactly once, background and walls
// together, row after row, straight into the memory the window shows. It copies words as they
// are: the background, the textures and the colours come already made in the target's format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "gfx/surface.h"
#include "render/raycast.h"

namespace quellon {

// The drawing follows from the facts of a frame: its strips are all one width and tile the view
// from the left edge, and each strip is background above and below one texture column
// stretched to the wall's height. So a row of the view is the colour of every strip at that
// row, each repeated across the strip's width; and a strip's colour changes only at its wall's
// top and bottom and where the stretched column moves on to its next texel. Those rows are
// known in advance, so every strip is put on a schedule of rows, and writing a row costs the
// storing of its pixels plus the few strips whose colour changes there. Rows are written top to
// bottom, each left to right, straight into the target: memory is walked once, in order.
class ViewDrawer {
  public:
    // How the rows go to memory. Streaming stores write whole lines without reading them into
    // the cache first and without pushing the cache's other lines out: faster for a frame too
    // large to stay in the cache, slower for one that would. kMeasured times a plain and a
    // streaming fill of each new size of target once and keeps the faster, as C libraries
    // choose for memset by the size against the cache; the others always store one way.
    enum class Stores : std::uint8_t { kMeasured, kPlain, kStreaming };
    void useStores(Stores stores) { stores_ = stores; }

    // Starts a frame of strips `stripWidthPx` wide: the view is `background`, a word of the
    // target's format, everywhere until a strip says otherwise.
    void clear(Colour background, int stripWidthPx = kStripWidthPx);

    // One strip's stretched copy, with the arguments the general StretchBlt takes for it: the
    // source rectangle (texColumn, 0, 1, kTextureSize) of `texture` onto the destination
    // rectangle (stripX, wallTop, stripWidthPx, wallHeight). Every pixel comes out as StretchBlt
    // gives it. Strips come left to right, the first at 0 and each a strip's width after the one
    // before; a strip out of that order, or one starting beyond the largest surface, is refused
    // and the result is false. A copy that StretchBlt would refuse (no height, a source outside
    // the texture) leaves the strip as background and is false too. `texture` must be in the
    // target's format and stay as it is until draw() has run.
    bool stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                       const Surface& texture, int texColumn);
    // The same copy from a column of kTextureSize texels given as they lie in memory: texel k
    // at texels[k * stride] (a texture kept column by column has them side by side). With
    // `runEnds` given, runEnds[k] is the first texel after k of another colour (kTextureSize
    // for none): a run of one colour down the column then costs one change, not one per texel.
    bool stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                       const Colour* texels, int stride, const std::uint8_t* runEnds = nullptr);
    // One strip's wall in one colour, a word of the target's format: the rectangle
    // (stripX, wallTop, stripWidthPx, wallHeight) filled. Strips come as for stretchColumn; no
    // height is background.
    bool fillColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight, Colour colour);

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
        int stride = 0;                  // 0 for a wall of one colour
        const std::uint8_t* runEnds = nullptr;
        Colour plain = 0;  // that colour
    };
    // A strip's way down the view while a frame is written.
    struct Cursor {
        const Colour* texels;         // the column's first texel
        const std::uint8_t* runEnds;  // as given, or each texel its own run
        int texel;                    // the texel the strip shows from its next change on
        int stride;                   // from one texel of the column to the next
        std::int32_t height;          // the wall's height in rows
        int bottom;                   // the row after the wall's last visible row
        // A wall at least as tall as the texture, or of one colour, shows each run of texels
        // for a run of rows: texel k's rows start at floor((origin + k * height) /
        // kTextureSize).
        std::int64_t origin;
        // A shorter textured wall shows a new texel on every row, skipping some: from one row
        // to the next the texel moves on by `skip` and a share `part` / height, kept in `share`.
        bool everyRow;
        int skip;
        int part;
        int share;
    };

    bool acceptStrip(int stripX) const;
    // Sets the strip's cursor at the top of its wall; returns the first row the wall shows on
    // (viewHeight if none).
    int startColumn(int strip, const Column& column, int viewHeight);
    int advance(int strip, int row);
    void schedule(int strip, int row);
    // Whether the rows of `target` go by streaming stores.
    bool streams(Surface& target);

    Colour background_ = kBlack;
    int stripWidth_ = kStripWidthPx;
    std::vector<Column> columns_;
    std::vector<Cursor> cursors_;
    std::vector<Colour> stripColours_;  // every strip's colour in the row being written
    std::vector<int> firstAt_;          // per row: the first strip that changes there, or -1
    std::vector<int> nextAt_;           // per strip: the next strip changing in the same row
    int viewHeight_ = 0;
    Stores stores_ = Stores::kMeasured;
    // The sizes of target measured so far (their byte counts' bit widths), and whether
    // streaming stores were the faster there.
    std::vector<std::pair<int, bool>> measured_;
};

}  // namespace quellon
