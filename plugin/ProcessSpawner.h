#pragma once
// Starts programs detached: GLib forks twice, reaps the middle process at once and leaves the
// program to init, so it outlives us and never becomes our zombie. The program also gets a session
// of its own, so a hang-up or interrupt of our terminal does not reach it. No shell is involved.
#include <string>
#include <vector>

class ProcessSpawner {
 public:
  // Runs argv (argv[0] a full path) with standard input from /dev/null. False with the reason in
  // error when the program could not be started (exec failures included).
  static bool SpawnDetached(const std::vector<std::string>& argv, std::string& error);

  // GLib's child-setup hook that detaches the program from our session; runs in the new process
  // between fork and exec, so it does nothing but async-signal-safe calls.
  static void ChildSetup(void* unused);
};
