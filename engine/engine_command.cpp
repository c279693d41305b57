#include "engine/engine_command.h"

#include <cstring>

namespace {

// Bytes that a POSIX shell reads as nothing but themselves, outside quotes.
bool plain_byte(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("_-./:=,+@%^", c) != nullptr && c != '\0';
}

bool is_plain(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!plain_byte(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Whether the text keeps its exact bytes inside double quotes: no quote,
// backslash, backquote or history mark, no line end, and a dollar sign
// only as the last byte, where nothing can follow it.
bool double_quote_safe(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' || c == '\\' || c == '`' || c == '!' || c == '\n' || c == '\0') return false;
    if (c == '$' && i + 1 != text.size()) return false;
  }
  return true;
}

std::string single_quoted(const std::string& text) {
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

std::string render_part(const WordPart& part) {
  switch (part.kind) {
    case WordPart::plain: return posix_word(part.text);
    case WordPart::quoted:
      return double_quote_safe(part.text) ? "\"" + part.text + "\"" : single_quoted(part.text);
    case WordPart::slot_dir: return "\"$PWD\"";
  }
  return {};
}

std::string render_word(const CommandWord& word) {
  std::string out;
  const auto& parts = word.parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    // "$PWD" and a quoted text after it share one pair of quotes, as in
    // "$PWD/":"/app".
    if (parts[i].kind == WordPart::slot_dir && i + 1 < parts.size() && parts[i + 1].kind == WordPart::quoted &&
        double_quote_safe(parts[i + 1].text)) {
      out += "\"$PWD" + parts[i + 1].text + "\"";
      ++i;
      continue;
    }
    out += render_part(parts[i]);
  }
  return out.empty() ? "''" : out;
}

}  // namespace

EngineCommand::EngineCommand(std::initializer_list<std::string> words) {
  for (const auto& word : words) add(word);
}

EngineCommand& EngineCommand::add(const std::string& word) {
  return add_word(CommandWord{{WordPart{WordPart::plain, word}}});
}

EngineCommand& EngineCommand::add_quoted(const std::string& word) {
  return add_word(CommandWord{{WordPart{WordPart::quoted, word}}});
}

EngineCommand& EngineCommand::add_word(CommandWord word) {
  words_.push_back(std::move(word));
  return *this;
}

EngineCommand& EngineCommand::add_all(const std::vector<std::string>& words) {
  for (const auto& word : words) add(word);
  return *this;
}

std::vector<std::string> EngineCommand::arguments(
    const std::function<std::string(const std::string&)>& in_slot) const {
  std::vector<std::string> out;
  for (const auto& word : words_) {
    std::string text;
    const auto& parts = word.parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (parts[i].kind != WordPart::slot_dir) {
        text += parts[i].text;
        continue;
      }
      std::string below;
      if (i + 1 < parts.size() && parts[i + 1].kind != WordPart::slot_dir) below = parts[++i].text;
      text += in_slot ? in_slot(below) : "." + below;
    }
    out.push_back(std::move(text));
  }
  return out;
}

bool EngineCommand::has_nul() const {
  for (const auto& word : words_) {
    for (const auto& part : word.parts) {
      if (part.text.find('\0') != std::string::npos) return true;
    }
  }
  return false;
}

std::string posix_word(const std::string& text) { return is_plain(text) ? text : single_quoted(text); }

std::string render_posix(const EngineCommand& command) {
  std::string out;
  for (const auto& word : command.words()) {
    if (!out.empty()) out += ' ';
    out += render_word(word);
  }
  return out;
}
