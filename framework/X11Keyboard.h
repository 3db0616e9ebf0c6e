#pragma once
// The keys held on an X desktop, asked of the X server itself, so that a document's road can
// sample Shift and Alt without a window toolkit. The connection is made on the first question and
// kept for the run. Every wait on the server is bounded: a server that does not answer in time
// counts as no key held, and is not asked again in this run.
#include <optional>

namespace X11Keyboard {

struct Modifiers {
  bool shift = false;
  bool alt = false;
};

// The state of Shift and Alt; none when there is no X display to ask (no DISPLAY, no server, or
// a server that did not answer in time).
std::optional<Modifiers> Query();

// Whether the X server at DISPLAY answers, on the same connection and within the same limit; the
// answer of an earlier question (or of a server given up) is not asked again.
bool ServerAnswers();

}  // namespace X11Keyboard
