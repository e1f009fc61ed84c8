// A program's own main, which the platform's entry calls with the command line in UTF-8. On
// Linux that is main's own argv; on Windows the entry takes the command line as UTF-16 and
// converts it, so that a file named with any characters reaches the program whole.
#pragma once

namespace quellon {

// Supplied once by each program that takes its arguments this way.
int programMain(int argc, char** argv);

}  // namespace quellon
