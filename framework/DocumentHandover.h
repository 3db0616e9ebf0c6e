#pragma once
// DocumentHandover: one running instance per user. A start that finds a running instance hands its
// documents over through a local socket in the user's runtime folder and exits. The running
// instance acknowledges each document just before it gives it to the program, and only while it is
// not quitting; the sender counts as handed over only what was acknowledged and handles the rest
// itself, so that no document is lost when the instance quits or dies meanwhile, and none is
// handled twice. Both sides deal only with a process of their own user.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class HandoverServer;

// A later start's documents as the running instance takes them, one at a time.
class HandedOverDocuments {
 public:
  virtual ~HandedOverDocuments() = default;
  // The next document, acknowledged to its sender first; none when all are taken, or when the
  // sender has given up or this instance stops listening: the rest then stays with the sender.
  virtual std::optional<std::string> Take() = 0;
};

class DocumentHandover {
 public:
  // Gives a later start's documents to the program, which takes them one by one, at once or once
  // it is ready; what it does not take stays with the sender.
  using Deliver = std::function<void(std::shared_ptr<HandedOverDocuments>)>;

  // The socket path for this user: $XDG_RUNTIME_DIR/tessarine.socket, else one in a private folder
  // in $TMPDIR or /tmp; empty when neither can be used. A folder that others may write into, or a
  // socket path that is not a socket, is not used.
  static std::string SocketPath();
  // The private folder parent/tessarine-<uid>, created with mode 0700 when missing; empty when the
  // path is taken by something that is not a folder of ours with mode 0700.
  static std::string PrivateFolder(const std::string& parent);

  enum class Outcome {
    Acknowledged,  // the running instance has taken every document
    Refused,       // nobody there, a stranger, or an instance that is quitting or has died
    Unanswered,    // no answer in time (a stopped or stuck instance)
  };
  struct Handed {
    Outcome outcome;
    size_t taken;  // the first documents that the running instance took; the rest stay with the caller
  };
  // Tries to hand documents (absolute paths) to a running instance, waiting for its answers only
  // while it is seen at work.
  static Handed HandToRunningInstance(const std::vector<std::string>& documents);
  // True when a running instance took all the documents.
  static bool SendToRunningInstance(const std::vector<std::string>& documents);

  explicit DocumentHandover(Deliver deliver);
  ~DocumentHandover();
  // Becomes the running instance: listens on the socket, replacing one left by a killed instance.
  // False when another instance won the race (the caller then hands over to it).
  bool Listen();
  // Stops accepting: from now on nothing more is acknowledged, and senders handle the rest of
  // their documents themselves.
  void Close();

 private:
  Deliver fDeliver;
  std::unique_ptr<HandoverServer> fServer;
};
