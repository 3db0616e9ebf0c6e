#pragma once
// Whether GIO's metadata service (gvfsd-metadata, on the session bus) can keep file metadata, and
// the setting of it, each within a time limit.
//
// GIO itself would wait without limit on a session bus that accepts but never answers, and with
// no bus address at all it may try to start a bus of its own (X11 autolaunch). So before any
// metadata is written, the bus is asked whether it answers (SessionBus, once per bus) and then,
// on a private connection within a time limit, whether the service runs or can be started; a bus
// is never started. That answer is kept for half a minute for the same bus address, so a run of
// many documents asks once. GIO's own calls to the service (25 seconds each on a stopped daemon)
// run aside, and are waited for only up to a time limit: after one time-out the service counts as
// stuck for the rest of the run. Each of the two refusals is logged once.
#include <glib.h>

#include <string>

class MetadataService {
 public:
  enum class Reach {
    Reachable,
    Unavailable,  // no bus, or no metadata service on it
    BusSilent,    // the session bus does not answer
    Stuck,        // the service did not answer once already
  };
  static Reach Reachable(int timeoutMilliseconds);

  enum class Outcome { Set, Failed, TimedOut };
  // Sets the string attribute of the file at path, waiting at most timeoutMilliseconds. On Failed,
  // failure holds GIO's error (the caller frees it).
  static Outcome SetString(const std::string& path, const std::string& attribute, const std::string& value,
                           int timeoutMilliseconds, GError** failure);
};
