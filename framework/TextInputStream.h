#pragma once
#include <cstdio>
#include <memory>
#include <string>

// <cstdio> defines EOF as a macro, which would turn the member EOF() into an expression. It is
// included here, so that its include guard keeps the macro from coming back, and the macro is
// removed; code that needs the end-of-file value of getc uses std::char_traits<char>::eof().
#undef EOF

// TextInputStream: reads lines of a text file. A line ends at LF, CR LF or CR; ReadLine gives it
// without its end, and the empty text at the end of the file.
class TextInputStream {
 public:
  explicit TextInputStream(std::FILE* file);
  ~TextInputStream();
  TextInputStream(const TextInputStream&) = delete;
  TextInputStream& operator=(const TextInputStream&) = delete;

  std::string ReadLine();
  bool EOF();
  void Close();

 private:
  std::FILE* fFile;
};
