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
// top and bottom and where the stretched column moves on to a texel of another colour. Those
// rows are known in advance: every strip's changes are worked out first and sorted by row (a
// counting sort: each strip's rows come in order, so no two neighbouring writes meet), once for
// each run of neighbouring strips with the same wall (strips that share a ray), and
// writing a row then costs the storing of its pixels plus the few strips whose colour changes
// there. Rows are written top to bottom, each left to right, straight into the target: memory
// is walked once, in order, and nothing else is stored between the rows.
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
    // A column's runs of one colour: the texels where each run starts, in order from texel 0.
    struct TexelRuns {
        const std::uint8_t* starts;  // null: every texel a run of its own
        int count;
    };
    // The same copy from a column of kTextureSize texels given as they lie in memory: texel k
    // at texels[k * stride] (a texture kept column by column has them side by side). With its
    // runs of one colour given, a run costs one change of the strip's colour however many
    // texels it holds.
    bool stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                       const Colour* texels, int stride, TexelRuns runs = {});
    // One strip's wall in one colour, a word of the target's format: the rectangle
    // (stripX, wallTop, stripWidthPx, wallHeight) filled. Strips come as for stretchColumn; no
    // height is background.
    bool fillColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight, Colour colour);

    // Writes the frame into `target`, each pixel once. Strips beyond the right edge are clipped
    // away; strips never given are background. Allocates nothing once it has drawn a frame of
    // that size.
    void draw(Surface& target);

  private:
    // A run of neighbouring strips with the same wall: its column of texels and where the
    // stretched copy puts it. Strips that share a ray come one after another with the same wall,
    // and their changes of colour fall on the same rows, so they are worked out and stored once.
    struct Column {
        int strips = 1;  // how many strips side by side show it
        std::int32_t top = 0;
        std::int32_t height = 0;
        const Colour* texels = nullptr;  // texel k at texels[k * stride]; null: no wall
        int stride = 0;                  // 0 for a wall of one colour
        TexelRuns runs{};
        Colour plain = 0;  // that colour
    };
    // The colour of `strips` strips side by side, the first `strip`, from a row on.
    struct Change {
        std::uint16_t strip;
        std::uint16_t strips;
        Colour colour;
    };

    bool acceptStrip(int stripX) const;
    // Whether two strips show the same wall: the same pixels, and so the same changes of colour.
    static bool sameWall(const Column& a, const Column& b);
    // Keeps the next strip's wall: as one more strip of the last run when the walls are alike.
    void addColumn(const Column& column);
    // Calls emit(row, strip, strips, colour) for every change of colour down the view of the
    // first `strips` strips, run after run, each run's rows in order.
    template <class Emit>
    void forEachChange(int strips, Emit&& emit) const;
    // Whether the rows of `target` go by streaming stores.
    bool streams(Surface& target);

    Colour background_ = kBlack;
    int stripWidth_ = kStripWidthPx;
    std::size_t mostStrips_ = 0;  // strips of that width that can start on the widest surface
    std::size_t stripsGiven_ = 0;
    std::vector<Column> columns_;       // the strips given, left to right, in runs of one wall
    std::vector<Colour> stripColours_;  // every strip's colour in the row being written
    std::vector<Change> changes_;       // the frame's changes, row after row
    std::vector<int> changesAt_;        // per row: where its changes start in changes_, and the end
    std::vector<int> nextChange_;       // per row: where its next change goes while sorting
    int viewHeight_ = 0;
    Stores stores_ = Stores::kMeasured;
    // The sizes of target measured so far (their byte counts' bit widths), and whether
    // streaming stores were the faster there.
    std::vector<std::pair<int, bool>> measured_;
};

}  // namespace quellon
