// A launched program's start, seen before any shell can change it: the interpreter named on the
// #! line of the launch tests' recording scripts. It reads where its standard input comes from and
// which signals are blocked and ignored, hands that to the script in TESSARINE_START, and runs the
// script with /bin/sh in the same process. (dash clears its own signal mask when it starts, so a
// script could never see a mask that a launch left blocked.)
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 127;
  std::string start;
  char input[PATH_MAX];
  const ssize_t length = readlink("/proc/self/fd/0", input, sizeof input);
  start += length > 0 ? std::string(input, static_cast<size_t>(length)) : std::string("(no standard input)");
  start += '\n';
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigBlk:", 0) == 0 || line.rfind("SigIgn:", 0) == 0) start += line + '\n';
  }
  setenv("TESSARINE_START", start.c_str(), 1);
  std::vector<char*> arguments{const_cast<char*>("/bin/sh")};
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(nullptr);
  execv("/bin/sh", arguments.data());
  return 127;
}
