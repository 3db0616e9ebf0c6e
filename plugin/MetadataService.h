#pragma once
// Whether GIO's metadata service (gvfsd-metadata, on the session bus) can keep file metadata.
//
// GIO itself would wait without limit on a session bus that accepts but never answers, and with
// no bus address at all it may try to start a bus of its own (X11 autolaunch). So before any
// metadata is written, this asks the bus on a private connection, within a time limit, whether
// the service runs or can be started; it never starts a bus. The answer is kept for half a
// minute for the same bus address, so a run of many documents asks once.
class MetadataService {
 public:
  static bool Reachable(int timeoutMilliseconds);
};
