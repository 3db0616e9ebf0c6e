#pragma once
// DocumentHandover: one running instance per user. A start that finds a running instance hands its
// documents over through a local socket in the user's runtime folder and exits. The sender counts
// its documents as handed over only when the running instance has acknowledged them, and the
// running instance acknowledges only while it is not quitting, delivering the documents at once,
// so that no document is lost in the race with its quit timer and none is handled twice.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class HandoverServer;

class DocumentHandover {
 public:
  using Deliver = std::function<void(const std::vector<std::string>&)>;

  // The socket path for this user: $XDG_RUNTIME_DIR/tessarine.socket, else a private folder in /tmp.
  static std::string SocketPath();
  // The private folder parent/tessarine-<uid>, created with mode 0700 when missing; empty when the
  // path is taken by something that is not a folder of ours with mode 0700.
  static std::string PrivateFolder(const std::string& parent);

  enum class Outcome {
    Acknowledged,  // the running instance has taken the documents
    Refused,       // nobody there, or an instance that is quitting: the documents stay with the caller
    Unanswered,    // no answer in time (a stopped or stuck instance): they stay with the caller too
  };
  // Tries to hand documents (absolute paths) to a running instance, waiting for its answer only
  // while it is seen at work.
  static Outcome HandToRunningInstance(const std::vector<std::string>& documents);
  // True when a running instance acknowledged the documents.
  static bool SendToRunningInstance(const std::vector<std::string>& documents);

  explicit DocumentHandover(Deliver deliver);
  ~DocumentHandover();
  // Becomes the running instance: listens on the socket, replacing one left by a killed instance.
  // False when another instance won the race (the caller then hands over to it).
  bool Listen();
  // Stops accepting: from now on senders get no acknowledgement and handle their documents themselves.
  void Close();

 private:
  Deliver fDeliver;
  std::unique_ptr<HandoverServer> fServer;
};
