#include "lib/text_util.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

std::size_t copy_bounded(char* destination, const char* source, std::size_t size) {
  std::size_t length = std::strlen(source);
  if (size > 0) {
    std::size_t count = length < size - 1 ? length : size - 1;
    std::memcpy(destination, source, count);
    destination[count] = '\0';
  }
  return length;
}

std::size_t append_bounded(char* destination, const char* source, std::size_t size) {
  std::size_t used = ::strnlen(destination, size);
  if (used == size) return used + std::strlen(source);
  return used + copy_bounded(destination + used, source, size - used);
}

const char* find_nocase(const char* text, const char* pattern) {
  constexpr std::size_t kLimit = 1023;
  char lower_text[kLimit + 1];
  char lower_pattern[kLimit + 1];
  copy_bounded(lower_text, text, sizeof lower_text);
  copy_bounded(lower_pattern, pattern, sizeof lower_pattern);
  for (char* c = lower_text; *c != '\0'; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  for (char* c = lower_pattern; *c != '\0'; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  const char* found = std::strstr(lower_text, lower_pattern);
  return found == nullptr ? nullptr : text + (found - lower_text);
}

std::vector<std::string> split_lines(std::string_view text, char delimiter, bool keep_delimiter) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(delimiter, start);
    std::size_t stop = end == std::string_view::npos ? text.size() : end;
    std::string piece(text.substr(start, stop - start));
    if (keep_delimiter) piece += delimiter;
    pieces.push_back(std::move(piece));
    start = stop + 1;
  }
  return pieces;
}

bool read_plain_decimal(const char* text, double& value) {
  const char* digits = text;
  while (*digits == ' ' || *digits == '\t') ++digits;
  if (*digits == '+' || *digits == '-') ++digits;
  if (*digits != '\0' && std::strchr("iInN", *digits) != nullptr) return false;
  if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) return false;
  errno = 0;
  double number = std::strtod(text, nullptr);
  if (errno == ERANGE || !std::isfinite(number)) return false;
  value = number;
  return true;
}
