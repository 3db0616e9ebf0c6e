#pragma once
// The framework's text functions. Texts are UTF-8 byte strings; positions and counts are in bytes,
// which is what the program's comparisons (ASCII prefixes of file headers) need.
#include <cstdint>
#include <string>

std::string Str(bool value);          // "True" or "False"
std::string Str(int32_t value);       // decimal
std::string Str(int64_t value);       // decimal
std::string Str(double value);        // shortest decimal form that reads back the same
double Val(const std::string& text);  // the number at the start of text (leading blanks skipped), 0 when none
std::string Left(const std::string& text, int64_t count);
std::string Right(const std::string& text, int64_t count);
// 1-based byte position of the first occurrence of find in source, 0 when absent (or find is empty).
int64_t InStr(const std::string& source, const std::string& find);
std::string Uppercase(const std::string& text);  // ASCII letters only
std::string Chr(int32_t code);                    // the character as UTF-8
std::string ReplaceAll(const std::string& source, const std::string& oldText, const std::string& newText);
