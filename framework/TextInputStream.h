#pragma once
#include <cstdio>
#include <memory>
#include <string>

// <cstdio> defines EOF as a macro, which would turn the member EOF() into an expression. It is
// included here, so that its include guard keeps the macro from coming back, and the macro is
// removed; code that needs the end-of-file value of getc uses std::char_traits<char>::eof().
#undef EOF

class BinaryStream;

// TextInputStream: reads lines of a text file. A line ends at LF, CR LF or CR; ReadLine gives it
// without its end, and the empty text at the end of the file.
class TextInputStream {
 public:
  // ReadLine gives at most this much of a line and passes over the rest of it, so that the next
  // read still gives the next line, and a huge file without line breaks is not held in memory.
  // The files read this way hold paths and flags, far shorter; a writer that wants its lines back
  // whole writes none longer.
  static constexpr size_t kMaxLineLength = size_t(1) << 20;

  explicit TextInputStream(std::unique_ptr<BinaryStream> stream);
  ~TextInputStream();
  TextInputStream(const TextInputStream&) = delete;
  TextInputStream& operator=(const TextInputStream&) = delete;

  std::string ReadLine();
  bool EOF();
  void Close();

 private:
  std::unique_ptr<BinaryStream> fStream;
};
