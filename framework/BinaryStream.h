#pragma once
// BinaryStream: positioned reads of a file. Reads past the end never fail: Read gives the bytes
// that are there (possibly none), ReadByte and ReadInt32 give 0 for missing bytes.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// <cstdio> defines EOF as a macro, which would turn the member EOF() into an expression. It is
// included here, so that its include guard keeps the macro from coming back, and the macro is
// removed; code that needs the end-of-file value of getc uses std::char_traits<char>::eof().
#undef EOF

class BinaryStream {
 public:
  ~BinaryStream();
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;

  uint64_t Position() const { return fPosition; }
  void SetPosition(uint64_t position) { fPosition = position; }
  bool LittleEndian() const { return fLittleEndian; }
  void SetLittleEndian(bool littleEndian) { fLittleEndian = littleEndian; }

  std::string Read(uint64_t count);  // up to count bytes from Position
  // The bytes from Position on that the read-ahead holds, reading more when it holds none there:
  // at least one byte unless Position is at or past the end of the file. Position does not move;
  // a scan sets it past what it has looked at. The view lasts until the next read.
  std::string_view Peek();
  uint8_t ReadByte();
  int32_t ReadInt32();               // signed, in the stream's byte order
  uint64_t Length() const;
  bool EOF() const;                  // the position has reached the end
  void Close();
  bool IsOpen() const { return fFd >= 0; }

  // Takes ownership of an open file descriptor (used by FolderItem).
  static std::unique_ptr<BinaryStream> FromDescriptor(int fd);
  // The same for a caller that has just learnt the file's length (from its own fstat), which
  // spares the stream a second one.
  static std::unique_ptr<BinaryStream> FromDescriptor(int fd, uint64_t length);

 private:
  BinaryStream(int fd, uint64_t length);
  bool Fill(uint64_t position, uint64_t wanted);
  uint64_t HoleAt(uint64_t position) const;  // the length of a hole of a sparse file there, or 0

  int fFd = -1;
  uint64_t fPosition = 0;
  bool fLittleEndian = true;
  uint64_t fLength = 0;
  // A small read-ahead window: the detection reads a byte at a time.
  std::string fBuffer;
  uint64_t fBufferStart = 0;
  size_t fWindowSize = 0;  // of the next fill; grows with each fill, to a bound
};
