#pragma once
// ScratchFolder: a private folder for a fuzz target's files, in memory (/dev/shm) where the machine
// has it so that the many small writes of a run never reach a disk, removed with everything in it
// when the process exits normally.
#include <string>

class ScratchFolder {
 public:
  // The folder, made on first use; aborts when none can be made (a fuzz run without it is useless).
  static const std::string& Path();
  // Writes bytes to the file at path, replacing it; aborts on failure.
  static void WriteFile(const std::string& path, const std::string& bytes);
};
