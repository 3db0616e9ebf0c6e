#pragma once
// The user's base folders as the XDG base-directory rules find them. The environment is read on
// every call (not cached, unlike GLib's own look-ups), so a change of it takes effect at once.
#include <optional>
#include <string>

class UserFolders {
 public:
  // $HOME when set and absolute, else the password database's entry; none when neither gives one.
  static std::optional<std::string> Home();
  // $XDG_CONFIG_HOME when set and absolute, else ~/.config.
  static std::optional<std::string> ConfigHome();
  // $XDG_DATA_HOME when set and absolute, else ~/.local/share.
  static std::optional<std::string> DataHome();
};
