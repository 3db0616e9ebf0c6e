#include "fuzz/ScratchFolder.h"

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

namespace {

std::string gPath;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

void RemoveFolder() {
  if (!gPath.empty()) nftw(gPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

const std::string& ScratchFolder::Path() {
  if (gPath.empty()) {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tessarine-fuzz.XXXXXX";
    if (!mkdtemp(pattern.data())) {
      perror("mkdtemp");
      abort();
    }
    gPath = pattern;
    atexit(RemoveFolder);
  }
  return gPath;
}

void ScratchFolder::WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    perror(path.c_str());
    abort();
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) {
      perror(path.c_str());
      abort();
    }
    done += static_cast<size_t>(wrote);
  }
  close(fd);
}
