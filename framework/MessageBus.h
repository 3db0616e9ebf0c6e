#pragma once
// MessageBus: a private connection to a D-Bus message bus, and method calls on it, each within a
// deadline. Enough of the protocol for short questions to the bus and its services (little-endian
// messages of basic types), written here because GIO's own connections wait without a time limit
// and cost a run GIO's type system and a thread.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MessageBus {
 public:
  using Clock = std::chrono::steady_clock;

  enum class Reach {
    Answers,      // authenticated and registered us in time
    Silent,       // someone listens, but no answer came in time
    Absent,       // nobody listens there, or the bus refused us
    Unsupported,  // an address of a kind this connection cannot reach, or a bus that takes only
                  // other ways of authentication than ours (EXTERNAL)
  };

  // Connects to the first reachable of the ';'-separated addresses as a client of the bus
  // (authentication, then Hello) by deadline; the connection when reach is Answers.
  static std::unique_ptr<MessageBus> Connect(const std::string& address, Clock::time_point deadline, Reach& reach);

  ~MessageBus();
  MessageBus(const MessageBus&) = delete;
  MessageBus& operator=(const MessageBus&) = delete;

  // A method call's body, marshalled in order.
  class Body {
   public:
    Body& String(const std::string& value);
    Body& UInt32(uint32_t value);
    // An array of bytes, with a terminating NUL as bytestrings have.
    Body& ByteString(const std::string& value);
    // A dictionary of strings to variants that each hold a string.
    Body& StringVariants(const std::vector<std::pair<std::string, std::string>>& entries);
    const std::string& Signature() const { return fSignature; }
    const std::string& Bytes() const { return fBytes; }

   private:
    std::string fSignature;
    std::string fBytes;
  };

  struct Reply {
    std::string error;  // the error's name; empty for a method return
    std::string signature;
    std::string body;
    // The body's first value as the type asks; none when the body does not hold one.
    std::optional<bool> Boolean() const;
    std::optional<std::string> String() const;
    std::optional<std::vector<std::string>> Strings() const;
  };

  enum class Failure { None, TimedOut, Closed };

  // Calls member and waits for its reply by deadline; none, with the reason in failure, when none
  // came. The connection is closed after a failure of its own (not after an error reply).
  std::optional<Reply> Call(const std::string& destination, const std::string& path, const std::string& interface,
                            const std::string& member, const Body& body, Clock::time_point deadline,
                            Failure& failure);

  bool Closed() const { return fSocket < 0; }

 private:
  explicit MessageBus(int socket) : fSocket(socket) {}
  // Sends or receives once, waiting by deadline; the bytes moved, or -1 with the connection closed.
  ssize_t Move(bool sending, char* data, size_t size, Clock::time_point deadline, Failure& failure);
  bool Send(const std::string& bytes, Clock::time_point deadline, Failure& failure);
  // Reads until buffer holds at least size bytes.
  bool Fill(size_t size, Clock::time_point deadline, Failure& failure);
  std::optional<Reply> Await(uint32_t serial, Clock::time_point deadline, Failure& failure);
  void Close();

  int fSocket;
  uint32_t fSerial = 0;
  std::string fBuffer;
};
