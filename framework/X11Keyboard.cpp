#include "framework/X11Keyboard.h"

#include <dlfcn.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

namespace X11Keyboard {

namespace {

using Clock = std::chrono::steady_clock;

// Longer than a loaded desktop needs for a round trip, short enough that a frozen server cannot
// hold a document up noticeably.
constexpr auto kReplyLimit = std::chrono::milliseconds(500);

constexpr xcb_keysym_t kAltL = 0xffe9;
constexpr xcb_keysym_t kAltR = 0xffea;

// libxcb is loaded when the first key is asked for, and only when there is a display to ask: a
// second start that only hands its documents over never needs it. These are the functions the
// keyboard asks for.
#define TESSARINE_XCB_FUNCTIONS(F)                                                                 \
  F(connect) F(connection_has_error) F(disconnect) F(get_setup) F(setup_roots_iterator)            \
  F(poll_for_reply) F(get_file_descriptor) F(flush) F(query_pointer) F(get_modifier_mapping)        \
  F(get_keyboard_mapping) F(get_modifier_mapping_keycodes) F(get_keyboard_mapping_keysyms)

struct Xcb {
#define TESSARINE_XCB_FIELD(name) decltype(&xcb_##name) name = nullptr;
  TESSARINE_XCB_FUNCTIONS(TESSARINE_XCB_FIELD)
#undef TESSARINE_XCB_FIELD

  static const Xcb* Load() {
    static const Xcb* const loaded = []() -> const Xcb* {
      void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) return nullptr;
      static Xcb xcb;
      bool all = true;
#define TESSARINE_XCB_FIND(name)                                                                 \
  xcb.name = reinterpret_cast<decltype(xcb.name)>(dlsym(library, "xcb_" #name));               \
  all = all && xcb.name != nullptr;
      TESSARINE_XCB_FUNCTIONS(TESSARINE_XCB_FIND)
#undef TESSARINE_XCB_FIND
      return all ? &xcb : nullptr;
    }();
    return loaded;
  }
};

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

class Connection {
 public:
  ~Connection() {
    if (fConnection != nullptr) fXcb->disconnect(fConnection);
  }

  // Connects on first use. The connection's set-up reads the server's answer without a limit of
  // its own, so it runs on a thread of its own that is given up when the server stays silent.
  bool Open() {
    if (fConnection != nullptr) return true;
    if (fGivenUp) return false;
    fGivenUp = true;  // until it has worked
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return false;
    fXcb = Xcb::Load();
    if (fXcb == nullptr) return false;
    const Xcb* xcb = fXcb;
    auto connecting = std::make_shared<std::promise<xcb_connection_t*>>();
    std::future<xcb_connection_t*> connected = connecting->get_future();
    std::thread([connecting, xcb] {
      int screen = 0;
      xcb_connection_t* connection = xcb->connect(nullptr, &screen);
      if (xcb->connection_has_error(connection)) {
        xcb->disconnect(connection);
        connection = nullptr;
      }
      connecting->set_value(connection);
    }).detach();
    if (connected.wait_for(kReplyLimit) != std::future_status::ready) return false;
    fConnection = connected.get();
    if (fConnection == nullptr) return false;
    const xcb_setup_t* setup = fXcb->get_setup(fConnection);
    xcb_screen_iterator_t screens = fXcb->setup_roots_iterator(setup);
    if (screens.rem == 0) return Close();
    fRoot = screens.data->root;
    fGivenUp = false;
    fAltMask = AltMask(setup);
    return fConnection != nullptr;
  }

  // Waits for the reply to request within the limit; false (and the connection given up) when it
  // does not come.
  template <class R>
  Reply<R> Await(unsigned int sequence) {
    const Clock::time_point deadline = Clock::now() + kReplyLimit;
    for (;;) {
      void* reply = nullptr;
      xcb_generic_error_t* error = nullptr;
      if (fXcb->poll_for_reply(fConnection, sequence, &reply, &error) != 0) {
        std::free(error);
        return Reply<R>(static_cast<R*>(reply));
      }
      if (fXcb->connection_has_error(fConnection)) break;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      pollfd descriptor{fXcb->get_file_descriptor(fConnection), POLLIN, 0};
      poll(&descriptor, 1, static_cast<int>(left.count()) + 1);
    }
    Close();
    return nullptr;
  }

  std::optional<Modifiers> Query() {
    if (!Open()) return std::nullopt;
    const xcb_query_pointer_cookie_t cookie = fXcb->query_pointer(fConnection, fRoot);
    fXcb->flush(fConnection);
    Reply<xcb_query_pointer_reply_t> pointer = Await<xcb_query_pointer_reply_t>(cookie.sequence);
    if (!pointer) return std::nullopt;
    Modifiers held;
    held.shift = (pointer->mask & XCB_MOD_MASK_SHIFT) != 0;
    held.alt = (pointer->mask & fAltMask) != 0;
    return held;
  }

 private:
  bool Close() {
    if (fConnection != nullptr) fXcb->disconnect(fConnection);
    fConnection = nullptr;
    fGivenUp = true;
    return false;
  }

  // The modifier that the Alt keys set: Mod1 on nearly every keyboard map, but the map decides.
  uint16_t AltMask(const xcb_setup_t* setup) {
    uint16_t mask = 0;
    const xcb_get_modifier_mapping_cookie_t modifiers = fXcb->get_modifier_mapping(fConnection);
    const uint8_t first = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    const xcb_get_keyboard_mapping_cookie_t keys = fXcb->get_keyboard_mapping(fConnection, first, count);
    fXcb->flush(fConnection);
    Reply<xcb_get_modifier_mapping_reply_t> modifierMap = Await<xcb_get_modifier_mapping_reply_t>(modifiers.sequence);
    if (!modifierMap) return XCB_MOD_MASK_1;
    Reply<xcb_get_keyboard_mapping_reply_t> keyMap = Await<xcb_get_keyboard_mapping_reply_t>(keys.sequence);
    if (!keyMap) return XCB_MOD_MASK_1;
    const xcb_keycode_t* codes = fXcb->get_modifier_mapping_keycodes(modifierMap.get());
    const int perModifier = modifierMap->keycodes_per_modifier;
    const xcb_keysym_t* symbols = fXcb->get_keyboard_mapping_keysyms(keyMap.get());
    const int perKey = keyMap->keysyms_per_keycode;
    for (int modifier = 0; modifier < 8; ++modifier) {
      for (int i = 0; i < perModifier; ++i) {
        const xcb_keycode_t code = codes[modifier * perModifier + i];
        if (code < first || code - first >= count) continue;
        for (int level = 0; level < perKey; ++level) {
          const xcb_keysym_t symbol = symbols[(code - first) * perKey + level];
          if (symbol == kAltL || symbol == kAltR) mask |= static_cast<uint16_t>(1u << modifier);
        }
      }
    }
    return mask != 0 ? mask : static_cast<uint16_t>(XCB_MOD_MASK_1);
  }

  const Xcb* fXcb = nullptr;
  xcb_connection_t* fConnection = nullptr;
  xcb_window_t fRoot = 0;
  uint16_t fAltMask = XCB_MOD_MASK_1;
  bool fGivenUp = false;
};

Connection& TheConnection() {
  static Connection connection;
  return connection;
}

}  // namespace

std::optional<Modifiers> Query() { return TheConnection().Query(); }

bool ServerAnswers() { return TheConnection().Open(); }

}  // namespace X11Keyboard
