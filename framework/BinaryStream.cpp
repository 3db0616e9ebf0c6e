#include "framework/BinaryStream.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

// Reads go through pread, so the descriptor's own offset never matters, and through a small
// window of read-ahead, because the detection asks for one byte at a time. The first fill is
// smaller than the rest: an InDesign header ends at byte 33 and most stories say what they are
// in their first lines, so one small read answers for most documents, and a page is read only
// for those that go on. Each further fill doubles the window, up to a bound, so that a scan over
// a long line costs few reads and little memory.
//
// Peek, which scans use, gives a hole of a sparse file as zeros without reading it: reading a
// hole makes the system fill its cache with pages of zeros, seconds for a hole of some gigabytes.
//
// Position moves by the number of bytes asked for, whether they exist or not: a read past the end
// leaves Position past the end too, so EOF stays true however the caller reads on.

namespace {

constexpr size_t kFirstWindowSize = 64;
constexpr size_t kWindowSize = 4096;
constexpr size_t kMaxWindowSize = 256 * 1024;

// What Peek shows of a hole, a part at a time (never written, so it costs no memory).
char gHoleBytes[1 << 20];

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max() : a + b;
}

// Reads up to count bytes at offset; fewer only at the end of the file or on an error.
size_t ReadAt(int fd, char* into, size_t count, uint64_t offset) {
  if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fd, into + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

}  // namespace

BinaryStream::BinaryStream(int fd, uint64_t length)
    : fFd(fd), fLength(length), fWindowSize(kFirstWindowSize) {}

BinaryStream::~BinaryStream() { Close(); }

std::unique_ptr<BinaryStream> BinaryStream::FromDescriptor(int fd) {
  if (fd < 0) return nullptr;
  struct stat info {};
  const uint64_t length = fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
  return FromDescriptor(fd, length);
}

std::unique_ptr<BinaryStream> BinaryStream::FromDescriptor(int fd, uint64_t length) {
  if (fd < 0) return nullptr;
  return std::unique_ptr<BinaryStream>(new BinaryStream(fd, length));
}

bool BinaryStream::Fill(uint64_t position, uint64_t wanted) {
  // At least what is wanted (less than a page: larger reads bypass the window).
  const size_t size = std::max(fWindowSize, static_cast<size_t>(std::min<uint64_t>(wanted, kWindowSize)));
  fWindowSize = std::clamp(2 * size, kWindowSize, kMaxWindowSize);
  fBuffer.resize(size);
  fBuffer.resize(ReadAt(fFd, fBuffer.data(), size, position));
  fBufferStart = position;
  return !fBuffer.empty();
}

std::string BinaryStream::Read(uint64_t count) {
  std::string result;
  if (fFd >= 0) {
    uint64_t at = fPosition;
    uint64_t wanted = count;
    while (wanted > 0) {
      if (at >= fBufferStart && at < fBufferStart + fBuffer.size()) {
        const uint64_t offset = at - fBufferStart;
        const uint64_t take = std::min<uint64_t>(wanted, fBuffer.size() - offset);
        result.append(fBuffer, static_cast<size_t>(offset), static_cast<size_t>(take));
        at += take;
        wanted -= take;
      } else if (wanted >= kWindowSize) {
        // A large read goes straight to the file; the window is for small ones.
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(wanted, 1 << 20));
        const size_t old = result.size();
        result.resize(old + chunk);
        const size_t got = ReadAt(fFd, result.data() + old, chunk, at);
        result.resize(old + got);
        if (got < chunk) break;
        at += got;
        wanted -= got;
      } else if (!Fill(at, wanted)) {
        break;
      }
    }
  }
  fPosition = SaturatingAdd(fPosition, count);
  return result;
}

std::string_view BinaryStream::Peek() {
  if (fFd < 0) return {};
  const bool held = fPosition >= fBufferStart && fPosition < fBufferStart + fBuffer.size();
  if (!held) {
    if (const uint64_t zeros = HoleAt(fPosition)) {
      return std::string_view(gHoleBytes, static_cast<size_t>(std::min<uint64_t>(zeros, sizeof gHoleBytes)));
    }
    if (!Fill(fPosition, 0)) return {};
  }
  return std::string_view(fBuffer).substr(static_cast<size_t>(fPosition - fBufferStart));
}

uint64_t BinaryStream::HoleAt(uint64_t position) const {
  if (position >= fLength || position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  const off_t data = lseek(fFd, static_cast<off_t>(position), SEEK_DATA);
  if (data >= 0) return std::min<uint64_t>(static_cast<uint64_t>(data), fLength) - position;
  // No data after the position: a hole up to the end, unless the file has become shorter.
  struct stat info {};
  if (errno != ENXIO || fstat(fFd, &info) != 0) return 0;
  const uint64_t end = std::min<uint64_t>(static_cast<uint64_t>(std::max<off_t>(info.st_size, 0)), fLength);
  return end > position ? end - position : 0;
}

uint8_t BinaryStream::ReadByte() {
  const std::string byte = Read(1);
  return byte.empty() ? 0 : static_cast<uint8_t>(byte[0]);
}

int32_t BinaryStream::ReadInt32() {
  // Bytes beyond the end read as 0 in their own places: the bytes that exist keep their weight in
  // the stream's byte order, as if the file were padded with zeros.
  const std::string bytes = Read(4);
  uint8_t b[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < bytes.size(); ++i) b[i] = static_cast<uint8_t>(bytes[i]);
  uint32_t value;
  if (fLittleEndian) {
    value = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
  } else {
    value = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
  }
  return static_cast<int32_t>(value);
}

uint64_t BinaryStream::Length() const { return fLength; }

bool BinaryStream::EOF() const { return fPosition >= fLength; }

void BinaryStream::Close() {
  if (fFd >= 0) close(fFd);
  fFd = -1;
  fBuffer.clear();
  fBufferStart = 0;
}
