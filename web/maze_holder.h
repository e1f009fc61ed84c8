// What the page's maze exports act on: the program's main window on the program's page, the
// explanation's own engine on the explanation's page. Each opens mazes and gives the one it has.
#pragma once

#include <string>

#include "formats/level_image.h"
#include "world/level.h"

namespace quellon {

class MazeHolder {
  public:
    // Opens a level image, or says why not (the maze then stays as it was).
    virtual std::string open(const std::string& name, ImageResult level) = 0;
    // The maze held now.
    virtual WorldMap maze() const = 0;

  protected:
    ~MazeHolder() = default;
};

}  // namespace quellon
