#include "framework/TextInputStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "framework/BinaryStream.h"

namespace {

// Where the first CR or LF lies in bytes, or their length.
size_t LineEnd(std::string_view bytes) {
  size_t end = bytes.size();
  if (const void* cr = std::memchr(bytes.data(), '\r', end)) end = static_cast<const char*>(cr) - bytes.data();
  if (const void* lf = std::memchr(bytes.data(), '\n', end)) end = static_cast<const char*>(lf) - bytes.data();
  return end;
}

}  // namespace

TextInputStream::TextInputStream(std::unique_ptr<BinaryStream> stream) : fStream(std::move(stream)) {}

TextInputStream::~TextInputStream() = default;

std::string TextInputStream::ReadLine() {
  std::string line;
  if (!fStream) return line;
  for (std::string_view bytes = fStream->Peek(); !bytes.empty(); bytes = fStream->Peek()) {
    const size_t end = LineEnd(bytes);
    line.append(bytes.substr(0, std::min(end, kMaxLineLength - line.size())));
    fStream->SetPosition(fStream->Position() + std::min(end + 1, bytes.size()));
    if (end == bytes.size()) continue;
    if (bytes[end] == '\r') {
      // CR LF is one line end; a lone CR (old Mac files) is one too.
      const std::string_view next = fStream->Peek();
      if (!next.empty() && next[0] == '\n') fStream->SetPosition(fStream->Position() + 1);
    }
    break;
  }
  return line;
}

bool TextInputStream::EOF() { return !fStream || fStream->Peek().empty(); }

void TextInputStream::Close() { fStream.reset(); }
