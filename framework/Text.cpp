#include "framework/Text.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cctype>

std::string Str(bool value) { return value ? "True" : "False"; }

std::string Str(int32_t value) { return std::to_string(value); }

std::string Str(int64_t value) { return std::to_string(value); }

std::string Str(double value) {
  // to_chars without a precision gives the shortest text that reads back to the same double.
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// strtod follows the process locale, which the GUI application sets from the environment; a
// stored "0.5" must not read as 0 under a locale whose decimal mark is a comma.
locale_t CLocale() {
  static locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return locale;
}

}  // namespace

double Val(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t start = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  // An exponent counts only when digits follow it: "2e" is 2.
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < n && IsDigit(text[j])) {
      while (j < n && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  // Only the prefix checked above reaches strtod, so its other forms (hex, "inf", "nan") never apply.
  const std::string number = text.substr(start, i - start);
  return strtod_l(number.c_str(), nullptr, CLocale());
}

std::string Left(const std::string& text, int64_t count) {
  if (count <= 0) return {};
  return text.substr(0, static_cast<uint64_t>(count) < text.size() ? static_cast<size_t>(count) : text.size());
}

std::string Right(const std::string& text, int64_t count) {
  if (count <= 0) return {};
  if (static_cast<uint64_t>(count) >= text.size()) return text;
  return text.substr(text.size() - static_cast<size_t>(count));
}

int64_t InStr(const std::string& source, const std::string& find) {
  if (find.empty()) return 0;
  const size_t at = source.find(find);
  return at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1;
}

std::string Uppercase(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string Chr(int32_t code) {
  // Codes that are no Unicode scalar value (negative, surrogates, beyond U+10FFFF) give the empty text.
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  const uint32_t c = static_cast<uint32_t>(code);
  std::string result;
  if (c < 0x80) {
    result += static_cast<char>(c);
  } else if (c < 0x800) {
    result += static_cast<char>(0xC0 | (c >> 6));
    result += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    result += static_cast<char>(0xE0 | (c >> 12));
    result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    result += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    result += static_cast<char>(0xF0 | (c >> 18));
    result += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    result += static_cast<char>(0x80 | (c & 0x3F));
  }
  return result;
}

std::string ReplaceAll(const std::string& source, const std::string& oldText, const std::string& newText) {
  if (oldText.empty()) return source;
  std::string result;
  size_t from = 0;
  for (size_t at = source.find(oldText); at != std::string::npos; at = source.find(oldText, from)) {
    result.append(source, from, at - from);
    result += newText;
    from = at + oldText.size();
  }
  result.append(source, from, std::string::npos);
  return result;
}
