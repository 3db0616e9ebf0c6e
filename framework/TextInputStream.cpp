#include "framework/TextInputStream.h"

namespace {
constexpr int kEnd = std::char_traits<char>::eof();
}

TextInputStream::TextInputStream(std::FILE* file) : fFile(file) {}

TextInputStream::~TextInputStream() { Close(); }

std::string TextInputStream::ReadLine() {
  std::string line;
  if (!fFile) return line;
  for (int c = std::getc(fFile); c != kEnd; c = std::getc(fFile)) {
    if (c == '\n') break;
    if (c == '\r') {
      // CR LF is one line end; a lone CR (old Mac files) is one too.
      const int next = std::getc(fFile);
      if (next != '\n' && next != kEnd) std::ungetc(next, fFile);
      break;
    }
    // A full piece ends here; a line end right after it still belongs to it (above).
    if (line.size() == kMaxLineLength) {
      std::ungetc(c, fFile);
      break;
    }
    line += static_cast<char>(c);
  }
  return line;
}

bool TextInputStream::EOF() {
  if (!fFile) return true;
  const int c = std::getc(fFile);
  if (c == kEnd) return true;
  std::ungetc(c, fFile);
  return false;
}

void TextInputStream::Close() {
  if (fFile) std::fclose(fFile);
  fFile = nullptr;
}
