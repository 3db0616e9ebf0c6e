#pragma once
// DisplayProbe: the display the window toolkit is to start on, found before it starts. The toolkit
// ends the whole process when it finds no display, and waits for good on one that takes its
// connection and never answers; so each display the user asked for (QT_QPA_PLATFORM, else
// WAYLAND_DISPLAY and DISPLAY) is asked first, within a time limit, and the toolkit is told to
// start only on those that answered. It runs when the first window is needed, never for a run
// that shows none.
//
// No toolkit here: it runs before the toolkit is loaded.
#include <string>

namespace DisplayProbe {

struct Found {
  // The toolkit's platforms to try, in order, as QT_QPA_PLATFORM lists them; empty when no
  // display can be had.
  std::string platforms;
  // Then: what is missing, in words for the user.
  std::string missing;
};

Found Find();

}  // namespace DisplayProbe
