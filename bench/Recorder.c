/* The recording application of the launch benchmarks: stands in for InDesign and for the desktop's
 * default handler alike. For each argument it appends one line "<CLOCK_REALTIME ns> <argument>" to
 * the file named by TESSARINE_BENCH_LOG. The time is taken first thing, so it marks the launch
 * request's arrival, not the end of this program's own work. Plain C and libc only: its own start-up
 * is part of both sides' figures and should be as small as possible. */
#define _POSIX_C_SOURCE 200809L
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const long long stamp = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;

  const char* logPath = getenv("TESSARINE_BENCH_LOG");
  if (logPath == NULL || logPath[0] == '\0') return 2;
  /* O_APPEND: each line goes in with one write, whole, whatever other recorders write meanwhile. */
  const int fd = open(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return 3;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    char line[8192];
    const int length = snprintf(line, sizeof line, "%lld %s\n", stamp, argv[i]);
    if (length < 0 || (size_t)length >= sizeof line || write(fd, line, (size_t)length) != length) status = 4;
  }
  if (argc < 2) {
    char line[64];
    const int length = snprintf(line, sizeof line, "%lld -\n", stamp);
    if (write(fd, line, (size_t)length) != length) status = 4;
  }
  close(fd);
  return status;
}
