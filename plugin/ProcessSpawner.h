#pragma once
// Starts programs detached: each gets a session of its own, so a hang-up or interrupt of our
// terminal does not reach it, and it outlives us. It is never our child (a go-between process
// starts it and ends at once), so it leaves no zombie, and we keep nothing for it: no descriptor,
// no watch, no event loop to collect it, however many run. No copy of this process is made (both
// processes share its memory until the program runs), and no shell is involved.
#include <string>
#include <vector>

class ProcessSpawner {
 public:
  // Runs argv (argv[0] a full path) with standard input from /dev/null. False with the reason in
  // error when the program could not be started (exec failures included).
  static bool SpawnDetached(const std::vector<std::string>& argv, std::string& error);
};
