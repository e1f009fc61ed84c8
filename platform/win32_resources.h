// The numbers by which the programs find their own resources (windows/quellon.rc); read by the
// resource compiler and by C++ alike, so it holds only #defines.
#pragma once

// The program's icon (the .ico the build makes from the carried texture), shown by Explorer
// and by the window until the program gives it its own.
#define QUELLON_ICON_RESOURCE 1
