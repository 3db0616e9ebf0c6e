#include "framework/MessageBus.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cctype>
#include <cstring>

namespace {

using Clock = MessageBus::Clock;

// A reply larger than this is no answer to our questions, and is not read into memory.
constexpr uint32_t kLargestMessage = 1 << 24;

enum : uint8_t { kMethodCall = 1, kMethodReturn = 2, kError = 3 };
enum : uint8_t { kPath = 1, kInterface = 2, kMember = 3, kErrorName = 4, kReplySerial = 5, kDestination = 6,
                 kSignature = 8 };

int RemainingMilliseconds(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left + 1);
}

// Waits for events on the socket by deadline; false when the time is up.
bool WaitFor(int socket, short events, Clock::time_point deadline) {
  for (;;) {
    const int left = RemainingMilliseconds(deadline);
    if (left == 0) return false;
    pollfd entry{socket, events, 0};
    const int ready = poll(&entry, 1, left);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;  // the next read or write tells what is wrong
  }
}

// An address's values escape bytes as %xx.
std::optional<std::string> Unescape(const std::string& value) {
  std::string result;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      result += value[i];
      continue;
    }
    if (i + 2 >= value.size()) return std::nullopt;
    const std::string hex = value.substr(i + 1, 2);
    if (!isxdigit(static_cast<unsigned char>(hex[0])) ||
        !isxdigit(static_cast<unsigned char>(hex[1]))) {
      return std::nullopt;
    }
    result += static_cast<char>(std::stoi(hex, nullptr, 16));
    i += 2;
  }
  return result;
}

// The socket address of one "unix:" address; none for any other kind.
std::optional<std::pair<sockaddr_un, socklen_t>> SocketAddress(const std::string& entry) {
  const size_t colon = entry.find(':');
  if (colon == std::string::npos || entry.compare(0, colon, "unix") != 0) return std::nullopt;
  std::optional<std::string> path;
  bool abstract = false;
  size_t start = colon + 1;
  while (start <= entry.size()) {
    size_t end = entry.find(',', start);
    if (end == std::string::npos) end = entry.size();
    const std::string pair = entry.substr(start, end - start);
    const size_t equals = pair.find('=');
    if (equals != std::string::npos) {
      const std::string key = pair.substr(0, equals);
      if (key == "path" || key == "abstract") {
        path = Unescape(pair.substr(equals + 1));
        abstract = key == "abstract";
      }
    }
    start = end + 1;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (!path || path->empty() || path->size() + offset >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path + offset, path->data(), path->size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path->size() + (abstract ? 0 : 1));
  return std::make_pair(address, length);
}

// Whether an authentication refusal names the ways the bus takes, none of them ours (EXTERNAL).
bool OffersOnlyOthers(const std::string& line) {
  if (line.rfind("REJECTED ", 0) != 0) return false;
  bool named = false;
  size_t start = std::strlen("REJECTED ");
  while (start < line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    const std::string mechanism = line.substr(start, end - start);
    if (mechanism == "EXTERNAL") return false;
    named = named || !mechanism.empty();
    start = end + 1;
  }
  return named;
}

// Reads values out of a message in the byte order it was written in.
class Reader {
 public:
  Reader(const std::string& bytes, bool bigEndian, size_t start = 0) : fBytes(bytes), fBig(bigEndian), fAt(start) {}
  bool Align(size_t boundary) {
    const size_t aligned = (fAt + boundary - 1) / boundary * boundary;
    if (aligned > fBytes.size()) return false;
    fAt = aligned;
    return true;
  }
  std::optional<uint32_t> UInt32() {
    if (!Align(4) || fAt + 4 > fBytes.size()) return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const auto byte = static_cast<uint8_t>(fBytes[fAt + (fBig ? i : 3 - i)]);
      value = value << 8 | byte;
    }
    fAt += 4;
    return value;
  }
  std::optional<uint8_t> Byte() {
    if (fAt >= fBytes.size()) return std::nullopt;
    return static_cast<uint8_t>(fBytes[fAt++]);
  }
  // A string, object path (uint32 length) or signature (byte length), with its NUL.
  std::optional<std::string> Text(bool signature = false) {
    std::optional<uint32_t> length;
    if (signature) {
      if (const auto byte = Byte()) length = *byte;
    } else {
      length = UInt32();
    }
    if (!length || *length >= fBytes.size() - fAt || fBytes[fAt + *length] != '\0') return std::nullopt;
    std::string value = fBytes.substr(fAt, *length);
    fAt += *length + 1;
    return value;
  }
  size_t At() const { return fAt; }

 private:
  const std::string& fBytes;
  bool fBig;
  size_t fAt;
};

struct Header {
  uint8_t type = 0;
  uint32_t replySerial = 0;
  std::string errorName;
  std::string signature;
  size_t bodyStart = 0;
};

uint32_t Read32(const std::string& bytes, size_t at, bool big) {
  Reader reader(bytes, big, at);
  return reader.UInt32().value_or(0);
}

// The fixed part's own idea of the message's whole length; none for a message we will not read.
std::optional<size_t> MessageLength(const std::string& bytes) {
  const bool big = bytes[0] == 'B';
  if ((bytes[0] != 'l' && !big) || bytes[3] != 1) return std::nullopt;
  const uint32_t body = Read32(bytes, 4, big);
  const uint32_t fields = Read32(bytes, 12, big);
  if (body > kLargestMessage || fields > kLargestMessage) return std::nullopt;
  const size_t header = (16 + static_cast<size_t>(fields) + 7) / 8 * 8;
  return header + body;
}

std::optional<Header> ParseHeader(const std::string& message) {
  const bool big = message[0] == 'B';
  Reader reader(message, big, 12);
  const auto fieldsLength = reader.UInt32();
  if (!fieldsLength) return std::nullopt;
  Header header;
  header.type = static_cast<uint8_t>(message[1]);
  const size_t fieldsEnd = 16 + *fieldsLength;
  while (reader.At() < fieldsEnd) {
    if (!reader.Align(8)) return std::nullopt;
    const auto code = reader.Byte();
    const auto signature = reader.Text(true);
    if (!code || !signature || signature->size() != 1) return std::nullopt;
    switch ((*signature)[0]) {
      case 'u': {
        const auto value = reader.UInt32();
        if (!value) return std::nullopt;
        if (*code == kReplySerial) header.replySerial = *value;
        break;
      }
      case 's':
      case 'o':
      case 'g': {
        const auto value = reader.Text((*signature)[0] == 'g');
        if (!value) return std::nullopt;
        if (*code == kErrorName) header.errorName = *value;
        if (*code == kSignature) header.signature = *value;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  if (reader.At() != fieldsEnd) return std::nullopt;
  header.bodyStart = (fieldsEnd + 7) / 8 * 8;
  return header;
}

// Writing values, little-endian, each on its own boundary.
void Align(std::string& bytes, size_t boundary) {
  while (bytes.size() % boundary != 0) bytes += '\0';
}

void Put32At(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xff);
}

void Put32(std::string& bytes, uint32_t value) {
  Align(bytes, 4);
  bytes.append(4, '\0');
  Put32At(bytes, bytes.size() - 4, value);
}

// A string or object path (uint32 length), or a signature (byte length), with its NUL.
void PutText(std::string& bytes, const std::string& value, bool signature = false) {
  if (signature) {
    bytes += static_cast<char>(value.size());
  } else {
    Put32(bytes, static_cast<uint32_t>(value.size()));
  }
  bytes += value;
  bytes += '\0';
}

}  // namespace

// --- Body ---

MessageBus::Body& MessageBus::Body::String(const std::string& value) {
  fSignature += 's';
  PutText(fBytes, value);
  return *this;
}

MessageBus::Body& MessageBus::Body::UInt32(uint32_t value) {
  fSignature += 'u';
  Put32(fBytes, value);
  return *this;
}

MessageBus::Body& MessageBus::Body::ByteString(const std::string& value) {
  fSignature += "ay";
  Put32(fBytes, static_cast<uint32_t>(value.size() + 1));  // the NUL is one of the array's bytes
  fBytes += value;
  fBytes += '\0';
  return *this;
}

MessageBus::Body& MessageBus::Body::StringVariants(const std::vector<std::pair<std::string, std::string>>& entries) {
  fSignature += "a{sv}";
  Put32(fBytes, 0);
  const size_t lengthAt = fBytes.size() - 4;
  Align(fBytes, 8);  // the array's length counts from its first entry, which starts on 8
  const size_t start = fBytes.size();
  for (const auto& [key, value] : entries) {
    Align(fBytes, 8);
    PutText(fBytes, key);
    PutText(fBytes, "s", true);
    PutText(fBytes, value);
  }
  Put32At(fBytes, lengthAt, static_cast<uint32_t>(fBytes.size() - start));
  return *this;
}

// --- Reply ---

std::optional<bool> MessageBus::Reply::Boolean() const {
  if (signature.rfind('b', 0) != 0) return std::nullopt;
  Reader reader(body, false);
  const auto value = reader.UInt32();
  if (!value || *value > 1) return std::nullopt;
  return *value == 1;
}

std::optional<std::string> MessageBus::Reply::String() const {
  if (signature.rfind('s', 0) != 0) return std::nullopt;
  Reader reader(body, false);
  return reader.Text();
}

std::optional<std::vector<std::string>> MessageBus::Reply::Strings() const {
  if (signature.rfind("as", 0) != 0) return std::nullopt;
  Reader reader(body, false);
  const auto length = reader.UInt32();
  if (!length || *length > body.size() - reader.At()) return std::nullopt;
  const size_t end = reader.At() + *length;
  std::vector<std::string> strings;
  while (reader.At() < end) {
    auto value = reader.Text();
    if (!value) return std::nullopt;
    strings.push_back(std::move(*value));
  }
  return strings;
}

// --- The connection ---

std::unique_ptr<MessageBus> MessageBus::Connect(const std::string& address, Clock::time_point deadline,
                                                Reach& reach) {
  reach = Reach::Unsupported;
  bool othersOnly = false;
  size_t start = 0;
  while (start <= address.size()) {
    size_t end = address.find(';', start);
    if (end == std::string::npos) end = address.size();
    const auto target = SocketAddress(address.substr(start, end - start));
    start = end + 1;
    if (!target) continue;
    if (reach == Reach::Unsupported) reach = Reach::Absent;

    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0) continue;
    std::unique_ptr<MessageBus> bus(new MessageBus(socket));
    if (connect(socket, reinterpret_cast<const sockaddr*>(&target->first), target->second) != 0) {
      // A full backlog: someone listens, and takes nobody in.
      if (errno == EAGAIN) reach = Reach::Silent;
      continue;
    }
    // Authenticated as who the kernel says we are; the bus may pass us file descriptors never.
    const std::string uid = std::to_string(geteuid());
    std::string hex;
    for (const char digit : uid) {
      static const char kHex[] = "0123456789abcdef";
      hex += kHex[static_cast<unsigned char>(digit) >> 4];
      hex += kHex[digit & 15];
    }
    Failure failure = Failure::None;
    if (!bus->Send(std::string(1, '\0') + "AUTH EXTERNAL " + hex + "\r\n", deadline, failure)) {
      if (failure == Failure::TimedOut) reach = Reach::Silent;
      continue;
    }
    size_t lineEnd = std::string::npos;
    while ((lineEnd = bus->fBuffer.find("\r\n")) == std::string::npos) {
      if (bus->fBuffer.size() > 4096 || !bus->Fill(bus->fBuffer.size() + 1, deadline, failure)) break;
    }
    if (lineEnd == std::string::npos) {
      if (failure == Failure::TimedOut) reach = Reach::Silent;
      continue;
    }
    const std::string line = bus->fBuffer.substr(0, lineEnd);
    bus->fBuffer.erase(0, lineEnd + 2);
    const bool accepted = line.rfind("OK ", 0) == 0;
    if (!accepted && OffersOnlyOthers(line)) {
      othersOnly = true;
      continue;
    }
    if (!accepted || !bus->Send("BEGIN\r\n", deadline, failure)) {
      if (failure == Failure::TimedOut) reach = Reach::Silent;
      continue;
    }
    const auto hello = bus->Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello",
                                 Body(), deadline, failure);
    if (!hello || !hello->error.empty()) {
      if (failure == Failure::TimedOut) reach = Reach::Silent;
      continue;
    }
    reach = Reach::Answers;
    return bus;
  }
  // A bus that takes only other ways of authentication (cookies) is one that GIO reaches.
  if (othersOnly) reach = Reach::Unsupported;
  return nullptr;
}

MessageBus::~MessageBus() { Close(); }

void MessageBus::Close() {
  if (fSocket >= 0) close(fSocket);
  fSocket = -1;
  fBuffer.clear();
}

ssize_t MessageBus::Move(bool sending, char* data, size_t size, Clock::time_point deadline, Failure& failure) {
  for (;;) {
    if (fSocket < 0) {
      failure = Failure::Closed;
      return -1;
    }
    const ssize_t moved = sending ? send(fSocket, data, size, MSG_NOSIGNAL) : recv(fSocket, data, size, 0);
    if (moved > 0) return moved;
    if (moved < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (WaitFor(fSocket, sending ? POLLOUT : POLLIN, deadline)) continue;
      failure = Failure::TimedOut;
    } else {
      failure = Failure::Closed;
    }
    Close();
    return -1;
  }
}

bool MessageBus::Send(const std::string& bytes, Clock::time_point deadline, Failure& failure) {
  for (size_t sent = 0; sent < bytes.size();) {
    // Move only reads what it sends.
    const ssize_t moved = Move(true, const_cast<char*>(bytes.data()) + sent, bytes.size() - sent, deadline, failure);
    if (moved < 0) return false;
    sent += static_cast<size_t>(moved);
  }
  return true;
}

bool MessageBus::Fill(size_t size, Clock::time_point deadline, Failure& failure) {
  char chunk[4096];
  while (fBuffer.size() < size) {
    const ssize_t moved = Move(false, chunk, sizeof chunk, deadline, failure);
    if (moved < 0) return false;
    fBuffer.append(chunk, static_cast<size_t>(moved));
  }
  return true;
}

std::optional<MessageBus::Reply> MessageBus::Call(const std::string& destination, const std::string& path,
                                                  const std::string& interface, const std::string& member,
                                                  const Body& body, Clock::time_point deadline, Failure& failure) {
  failure = Failure::None;
  if (fSocket < 0) {
    failure = Failure::Closed;
    return std::nullopt;
  }
  const uint32_t serial = ++fSerial;
  std::string bytes = {'l', static_cast<char>(kMethodCall), 0, 1};
  Put32(bytes, static_cast<uint32_t>(body.Bytes().size()));
  Put32(bytes, serial);
  Put32(bytes, 0);  // the fields' length, known below
  auto field = [&](uint8_t code, char type, const std::string& value) {
    Align(bytes, 8);
    bytes += static_cast<char>(code);
    PutText(bytes, std::string(1, type), true);
    PutText(bytes, value, type == 'g');
  };
  field(kPath, 'o', path);
  field(kInterface, 's', interface);
  field(kMember, 's', member);
  field(kDestination, 's', destination);
  if (!body.Signature().empty()) field(kSignature, 'g', body.Signature());
  Put32At(bytes, 12, static_cast<uint32_t>(bytes.size() - 16));
  Align(bytes, 8);
  bytes += body.Bytes();
  if (!Send(bytes, deadline, failure)) return std::nullopt;
  return Await(serial, deadline, failure);
}

std::optional<MessageBus::Reply> MessageBus::Await(uint32_t serial, Clock::time_point deadline, Failure& failure) {
  for (;;) {
    if (!Fill(16, deadline, failure)) return std::nullopt;
    const std::optional<size_t> length = MessageLength(fBuffer);
    if (!length) {
      failure = Failure::Closed;  // not a message we can read: the stream is lost
      Close();
      return std::nullopt;
    }
    if (!Fill(*length, deadline, failure)) return std::nullopt;
    const std::string message = fBuffer.substr(0, *length);
    fBuffer.erase(0, *length);
    const std::optional<Header> header = ParseHeader(message);
    if (!header || header->bodyStart > message.size()) {
      failure = Failure::Closed;
      Close();
      return std::nullopt;
    }
    // Signals (our name, for one) and replies to calls given up on are passed over.
    if ((header->type != kMethodReturn && header->type != kError) || header->replySerial != serial) continue;
    if (message[0] == 'B' && !header->signature.empty()) {
      failure = Failure::Closed;  // a big-endian body: not ours to read
      Close();
      return std::nullopt;
    }
    Reply reply;
    reply.error = header->type == kError ? (header->errorName.empty() ? "?" : header->errorName) : std::string();
    reply.signature = header->signature;
    reply.body = message.substr(header->bodyStart);
    return reply;
  }
}
