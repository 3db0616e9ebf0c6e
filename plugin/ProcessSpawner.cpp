#include "plugin/ProcessSpawner.h"

#include <glib.h>
#include <unistd.h>

bool ProcessSpawner::SpawnDetached(const std::vector<std::string>& argv, std::string& error) {
  std::vector<char*> arguments;
  arguments.reserve(argv.size() + 1);
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);

  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib uses an intermediate child, which is what detaches.
  GError* failure = nullptr;
  if (!g_spawn_async(nullptr, arguments.data(), nullptr, G_SPAWN_DEFAULT, &ProcessSpawner::ChildSetup,
                     nullptr, nullptr, &failure)) {
    error = failure != nullptr ? failure->message : "the program could not be started";
    g_clear_error(&failure);
    return false;
  }
  return true;
}

void ProcessSpawner::ChildSetup(void*) { setsid(); }
