// Keeps the standard error stream quiet for a while: some libraries behind the window system
// print their own complaints when they find no device (audio libraries without a sound card,
// libwayland without a compositor). A program without audio simply stays silent, and one
// without a display says so once, in its own words.
#pragma once

namespace quellon {

// While it lives, whatever is written to file descriptor 2 goes to /dev/null.
class QuietStderr {
  public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    int saved_ = -1;
};

}  // namespace quellon
