#include "driver/shell_words.h"

#include <cstring>

namespace {

const char kShellCharacters[] = " \t\n\"'$`\\;&|<>()*?[]#~{}!";

}  // namespace

std::string escape_in_double_quotes(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"' || c == '$' || c == '`') out += '\\';
    out += c;
  }
  return out;
}

bool has_shell_characters(const std::string& text) {
  for (char c : text) {
    if (c == '\0' || std::strchr(kShellCharacters, c) != nullptr) return true;
  }
  return false;
}

std::string shell_word(const std::string& text) {
  if (!text.empty() && !has_shell_characters(text)) return text;
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}
