#include "driver/shell_words.h"

#include <cstring>

namespace {

const char kShellCharacters[] = " \t\n\"'$`\\;&|<>()*?[]#~{}!";

bool name_start(char c) { return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// What a dollar sign at pos starts, when a shell would expand it.
const char* expansion_at(const std::string& text, std::size_t pos) {
  if (pos + 1 >= text.size()) return nullptr;
  char next = text[pos + 1];
  if (next == '(') return "command substitution";
  if (next == '{' || name_start(next) || (next >= '0' && next <= '9') || std::strchr("@*#?$!-", next) != nullptr) {
    return "parameter expansion";
  }
  return nullptr;
}

}  // namespace

bool split_option_words(const std::string& text, std::vector<std::string>& words, std::string& problem) {
  words.clear();
  std::string word;
  bool in_word = false;
  auto fail = [&](const char* what) {
    problem = what;
    words.clear();
    return false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      continue;
    }
    if (c == '\0') return fail("NUL byte");
    if (c == '\n' || c == '\r') return fail("line end");
    if (std::strchr(";&|<>()", c) != nullptr) return fail("shell operator");
    if (c == '#') return fail("comment sign");
    if (c == '`') return fail("command substitution");
    if (c == '$') {
      if (const char* what = expansion_at(text, i)) return fail(what);
    }
    in_word = true;
    if (c == '\\') {
      if (++i == text.size()) return fail("trailing backslash");
      if (text[i] == '\n') return fail("line end");
      word += text[i];
    } else if (c == '\'') {
      std::size_t close = text.find('\'', i + 1);
      if (close == std::string::npos) return fail("unbalanced quote");
      word.append(text, i + 1, close - i - 1);
      i = close;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i == text.size()) return fail("unbalanced quote");
        char d = text[i];
        if (d == '"') break;
        if (d == '`') return fail("command substitution");
        if (d == '$') {
          if (const char* what = expansion_at(text, i)) return fail(what);
        }
        if (d == '\\' && i + 1 < text.size() && std::strchr("\\\"$`", text[i + 1]) != nullptr) d = text[++i];
        if (d == '\n' || d == '\0') return fail(d == '\0' ? "NUL byte" : "line end");
        word += d;
      }
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(word);
  return true;
}

bool has_shell_characters(const std::string& text) {
  for (char c : text) {
    if (c == '\0' || std::strchr(kShellCharacters, c) != nullptr) return true;
  }
  return false;
}
