// open_read_spawn_floor: the least a launcher of many documents must do, with no checks at all:
// for each document, open, read its first 33 bytes, close, and start the program with the
// document as its one argument (posix_spawn, standard input from /dev/null). Ended programs are
// collected as it goes, without a descriptor per program.
//
//   open_read_spawn_floor PROGRAM DOCUMENT...
//
// Exits 0 when every document was read and its program started.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: open_read_spawn_floor PROGRAM DOCUMENT...\n");
    return 2;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  long failed = 0;
  for (int i = 2; i < argc; ++i) {
    const int fd = open(argv[i], O_RDONLY | O_CLOEXEC);
    unsigned char header[33] = {};
    if (fd < 0 || read(fd, header, sizeof header) != static_cast<ssize_t>(sizeof header)) ++failed;
    if (fd >= 0) close(fd);
    char* arguments[] = {argv[1], argv[i], nullptr};
    pid_t child = -1;
    if (header[0] == 0 || posix_spawn(&child, argv[1], &actions, nullptr, arguments, environ) != 0) ++failed;
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  while (wait(nullptr) > 0) {
  }
  if (failed != 0) std::fprintf(stderr, "open_read_spawn_floor: %ld documents not read or launched\n", failed);
  return failed == 0 ? 0 : 1;
}
