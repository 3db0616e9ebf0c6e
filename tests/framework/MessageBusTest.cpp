// The bus client against buses that say what no bus should: each is found out for what it is
// (absent, silent, answering, or one that only GIO reaches) and in its own time, a refusal at once
// and a silence at the deadline; and the values of a reply read no further than they reach.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/MessageBus.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

namespace {

using Clock = MessageBus::Clock;
using Reach = MessageBus::Reach;

std::string Little32(uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xff);
  return bytes;
}

// A method return's fixed header part: body and header-field lengths as given.
std::string ReplyHeader(uint32_t bodyLength, uint32_t fieldsLength, char type = '\2') {
  return std::string("l") + type + std::string("\0\1", 2) + Little32(bodyLength) + Little32(1) +
         Little32(fieldsLength);
}

// A whole reply without a body to the call with the given serial.
std::string ReplyTo(uint32_t serial) { return ReplyHeader(0, 8) + std::string("\5\1u\0", 4) + Little32(serial); }

const std::string kAccepted = "OK 0123456789abcdef0123456789abcdef\r\n";

// Where the bus listens, and how its address names that.
enum class Where { Path, EscapedPath, Abstract };

struct HostileBus {
  const char* name;
  std::string authReply;  // the answer to our authentication
  std::string message;    // what comes after it, in place of Hello's reply
  Reach reach;            // what the client must make of it
  bool atOnce;            // told before the deadline; otherwise only at it
  Where where = Where::Path;
};

class HostileBusTest : public ::testing::TestWithParam<HostileBus> {
 protected:
  TempDir fDir;
};

TEST_P(HostileBusTest, IsTakenForWhatItIsInItsOwnTime) {
  const HostileBus& bus = GetParam();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socklen_t length = sizeof address;
  std::string busAddress;
  switch (bus.where) {
    case Where::Path:
    case Where::EscapedPath: {
      // A value's last byte escaped: ';' ends an address and must be written as %3b.
      const bool escaped = bus.where == Where::EscapedPath;
      const std::string path = fDir.Path(escaped ? "bus;" : "hostile-bus");
      ASSERT_LT(path.size(), sizeof address.sun_path);
      path.copy(address.sun_path, path.size());
      busAddress = "unix:path=" + fDir.Path(escaped ? "bus%3b" : "hostile-bus");
      break;
    }
    case Where::Abstract: {
      const std::string name = "tessarine-test-bus-" + std::to_string(getpid());
      name.copy(address.sun_path + 1, name.size());
      length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
      busAddress = "unix:abstract=" + name + ",guid=0123456789abcdef0123456789abcdef";
      break;
    }
  }
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 8), 0);
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  std::thread server([&] {
    const int peer = accept(listener, nullptr, nullptr);
    if (peer < 0) return;
    std::string heard;
    char chunk[512];
    auto hear = [&](const std::string& until) {
      while (heard.find(until) == std::string::npos) {
        const ssize_t got = read(peer, chunk, sizeof chunk);
        if (got <= 0) return false;
        heard.append(chunk, static_cast<size_t>(got));
      }
      return true;
    };
    if (hear("\r\n") && write(peer, bus.authReply.data(), bus.authReply.size()) >= 0 && hear("Hello")) {
      if (write(peer, bus.message.data(), bus.message.size()) < 0) ADD_FAILURE() << "could not answer";
    }
    // Holds the connection until the test is done: an answer still awaited shows as a wait.
    char done;
    if (read(stop[0], &done, 1) < 0) ADD_FAILURE() << "no end";
    close(peer);
  });

  constexpr auto kDeadline = std::chrono::milliseconds(1500);
  const Clock::time_point start = Clock::now();
  Reach reach = Reach::Absent;
  const auto connection = MessageBus::Connect(busAddress, start + kDeadline, reach);
  const auto took = Clock::now() - start;
  EXPECT_EQ(reach, bus.reach);
  EXPECT_EQ(connection != nullptr, bus.reach == Reach::Answers);
  if (bus.atOnce) {
    EXPECT_LT(took, TestTime::Scaled(std::chrono::milliseconds(400)));
  } else {
    // The deadline is kept to the millisecond.
    EXPECT_GE(took, kDeadline - std::chrono::milliseconds(2));
    EXPECT_LT(took, kDeadline + TestTime::Scaled(std::chrono::milliseconds(500)));
  }

  close(stop[1]);
  shutdown(listener, SHUT_RDWR);
  server.join();
  close(stop[0]);
  close(listener);
}

INSTANTIATE_TEST_SUITE_P(
    MessageBus, HostileBusTest,
    ::testing::Values(
        HostileBus{"Answers", kAccepted, ReplyTo(1), Reach::Answers, true},
        HostileBus{"AnswersAtAnEscapedPath", kAccepted, ReplyTo(1), Reach::Answers, true, Where::EscapedPath},
        HostileBus{"AnswersAtAnAbstractAddress", kAccepted, ReplyTo(1), Reach::Answers, true, Where::Abstract},
        HostileBus{"RepliesToAnotherCallFirst", kAccepted, ReplyTo(99) + ReplyTo(1), Reach::Answers, true},
        HostileBus{"RepliesToAnotherCall", kAccepted, ReplyTo(99), Reach::Silent, false},
        HostileBus{"RefusesUs", "REJECTED EXTERNAL\r\n", "", Reach::Absent, true},
        HostileBus{"TakesOnlyCookies", "REJECTED DBUS_COOKIE_SHA1\r\n", "", Reach::Unsupported, true},
        HostileBus{"RefusesHello", kAccepted,
                   ReplyHeader(0, 8, '\3') + std::string("\5\1u\0", 4) + Little32(1), Reach::Absent, true},
        HostileBus{"AuthenticationWithoutEnd", std::string(8192, 'O'), "", Reach::Absent, true},
        HostileBus{"AnswersWithNoise", kAccepted, "noise, not a message at all", Reach::Absent, true},
        HostileBus{"ClaimsAHugeBody", kAccepted, ReplyHeader(0x7fffffff, 0), Reach::Absent, true},
        HostileBus{"ClaimsHugeHeaderFields", kAccepted, ReplyHeader(0, 0xfffffff0), Reach::Absent, true},
        HostileBus{"SendsLessThanItClaims", kAccepted, ReplyHeader(100, 0) + std::string(20, 'x'), Reach::Silent,
                   false},
        HostileBus{"FieldsRunPastTheirEnd", kAccepted, ReplyHeader(0, 6) + std::string("\5\1u\0", 4) + Little32(1),
                   Reach::Absent, true},
        HostileBus{"FieldOfAnUnknownType", kAccepted, ReplyHeader(0, 8) + std::string("\5\1x\0", 4) + Little32(1),
                   Reach::Absent, true},
        HostileBus{"StringWithoutItsEnd", kAccepted,
                   ReplyHeader(0, 16) + std::string("\4\1s\0", 4) + Little32(200) + std::string(8, 'e'),
                   Reach::Absent, true}),
    [](const ::testing::TestParamInfo<HostileBus>& info) { return std::string(info.param.name); });

// A reply's first value, read as the caller asks: none where the body does not hold it whole.
struct ReplyValue {
  const char* name;
  MessageBus::Reply reply;
  std::optional<std::string> string;
  std::optional<bool> boolean;
  std::optional<std::vector<std::string>> strings;
};

class ReplyValueTest : public ::testing::TestWithParam<ReplyValue> {};

TEST_P(ReplyValueTest, IsReadNoFurtherThanItReaches) {
  const ReplyValue& row = GetParam();
  EXPECT_EQ(row.reply.String(), row.string);
  EXPECT_EQ(row.reply.Boolean(), row.boolean);
  EXPECT_EQ(row.reply.Strings(), row.strings);
}

const std::string kTwoStrings = Little32(3) + std::string("one\0", 4) + Little32(3) + std::string("two\0", 4);

INSTANTIATE_TEST_SUITE_P(
    MessageBus, ReplyValueTest,
    ::testing::Values(
        ReplyValue{"String", {"", "s", Little32(3) + std::string("abc\0", 4)}, "abc", {}, {}},
        ReplyValue{"EmptyString", {"", "s", Little32(0) + std::string(1, '\0')}, "", {}, {}},
        ReplyValue{"StringWithoutItsEnd", {"", "s", Little32(3) + "abcd"}, {}, {}, {}},
        ReplyValue{"StringLongerThanTheBody", {"", "s", Little32(9) + std::string("abc\0", 4)}, {}, {}, {}},
        ReplyValue{"True", {"", "b", Little32(1)}, {}, true, {}},
        ReplyValue{"False", {"", "b", Little32(0)}, {}, false, {}},
        ReplyValue{"BooleanOfAnotherValue", {"", "b", Little32(2)}, {}, {}, {}},
        ReplyValue{"ShortBoolean", {"", "b", std::string(3, '\0')}, {}, {}, {}},
        ReplyValue{"Strings", {"", "as", Little32(static_cast<uint32_t>(kTwoStrings.size())) + kTwoStrings}, {}, {},
                   std::vector<std::string>{"one", "two"}},
        ReplyValue{"StringsLongerThanTheBody",
                   {"", "as", Little32(static_cast<uint32_t>(kTwoStrings.size()) + 1) + kTwoStrings}, {}, {}, {}},
        ReplyValue{"StringsWithoutTheLastEnd",
                   {"", "as", Little32(static_cast<uint32_t>(kTwoStrings.size() - 1)) + kTwoStrings.substr(0, 15)},
                   {}, {}, {}},
        ReplyValue{"AnotherType", {"", "u", Little32(1)}, {}, {}, {}}),
    [](const ::testing::TestParamInfo<ReplyValue>& info) { return std::string(info.param.name); });

}  // namespace
