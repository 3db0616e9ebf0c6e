#pragma once
// Whether GIO's metadata service (gvfsd-metadata, on the session bus) can keep file metadata, and
// the setting of it, each within a time limit.
//
// GIO itself would wait without limit on a session bus that accepts but never answers, and with
// no bus address at all it may try to start a bus of its own (X11 autolaunch). So before any
// metadata is written the bus is asked, on a private connection within a time limit, whether it
// answers and whether the service runs or can be started; a bus is never started. That answer,
// and the connection, are kept for half a minute for the same bus address, so a run of many
// documents asks once.
//
// The setting itself goes over that connection to the service, into the tree and under the path
// where GIO's own client keeps the file's metadata (the home folder's tree, or the root tree), so
// that a run loads no GIO for it. Where the file's place is one GIO works out otherwise, GIO sets
// it, on a thread of its own that is waited for only up to the time limit (GIO's own calls wait 25
// seconds on a stopped daemon). After one time-out either way, or one call that fails (a lost
// connection, an answer that cannot be read, the bus's refusal), the service counts as stuck for
// the rest of the run, and the bus is not asked again. Each bus's refusal is logged once.
#include <cstdint>
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
  // Sets the string attribute ("metadata::…") of the file at path, waiting at most
  // timeoutMilliseconds. On Failed, code is the plug-in's result code for the failure.
  static Outcome SetString(const std::string& path, const std::string& attribute, const std::string& value,
                           int timeoutMilliseconds, int32_t& code);
};
