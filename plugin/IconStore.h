#pragma once
// Tessarine's store of custom-icon images under the user's data folder
// ($XDG_DATA_HOME/tessarine/icons, else ~/.local/share/tessarine/icons). Each image is kept under
// the SHA-256 of its bytes, so a stamped file's icon URI names the same image for as long as the
// store lives, whichever copy of Tessarine made it and wherever that copy has moved since.
#include <optional>
#include <string>

class IconStore {
 public:
  // Stores a PNG image (once: an image already there is kept) and gives its full path; none when
  // the store cannot be written.
  static std::optional<std::string> Put(const std::string& png);

 private:
  static std::optional<std::string> Folder();
};
