// open_read_close_floor: the least any detection must do per document, with no checks at all:
// open, read the first 33 bytes (the InDesign header up to the version field's end), close.
//
//   open_read_close_floor FOLDER [PASSES]
//
// Prints "<median ns per pass> <fastest> <slowest>".
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DocumentList.h"
#include "PassTimer.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: open_read_close_floor FOLDER [PASSES]\n");
    return 2;
  }
  const std::vector<std::string> paths = DocumentList(argv[1]);
  const int passes = argc > 2 ? std::atoi(argv[2]) : 21;
  if (paths.empty()) {
    std::fprintf(stderr, "open_read_close_floor: no documents in %s\n", argv[1]);
    return 1;
  }
  long long checksum = 0;
  long failed = 0;
  auto pass = [&] {
    for (const std::string& path : paths) {
      const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      unsigned char header[33] = {};
      if (fd < 0 || read(fd, header, sizeof header) != static_cast<ssize_t>(sizeof header)) ++failed;
      if (fd >= 0) close(fd);
      checksum += header[29] + header[32];
    }
  };
  TimePasses(passes, 3, pass);
  if (failed != 0) {
    std::fprintf(stderr, "open_read_close_floor: %ld documents could not be read\n", failed);
    return 1;
  }
  return checksum > 0 ? 0 : 1;
}
