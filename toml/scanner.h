// Cuts TOML text into tokens. The caller chooses for each token whether a
// word is read as a key or as a value. Failures come back as error tokens;
// nothing is raised.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

enum TomlTokenKind {
  T_ERROR = 0,
  T_END,
  T_NEWLINE,
  T_BARE_KEY,
  T_STRING,
  T_MULTILINE_STRING,
  T_BOOL,
  T_INT,
  T_DOUBLE,
  T_TIME,
  T_COMMA,
  T_DOT,
  T_EQUALS,
  T_LBRACKET,
  T_RBRACKET,
  T_LBRACE,
  T_RBRACE,
};

struct TomlToken {
  TomlTokenKind kind = T_ERROR;
  std::string text;         // string contents, key, or error message
  std::int64_t int_value = 0;  // integer, or 1/0 for a boolean
  double double_value = 0;
  std::int64_t time_value = 0;  // ticks of 100 ns since 1970 UTC
  int line = 0;                 // the line the token begins on
};

enum TomlPosition { KEY_POSITION, VALUE_POSITION };

class TomlScanner {
 public:
  explicit TomlScanner(std::istream& in) : in_(in) {}

  TomlToken next_token(TomlPosition position);

  // Consumes one byte; for the byte order mark, read by the reader itself.
  int peek() { return in_.peek(); }
  int get();

  int line = 1;  // line feeds consumed so far, plus one

 private:
  TomlToken read_token(TomlPosition position);
  TomlToken bare_key();
  TomlToken value_word();
  TomlToken basic_string();
  TomlToken literal_string();

  std::istream& in_;
};

// Classifies a collected value word (digits and + - . : E T Z _ e) as an
// integer, a float or a date-time; any other word gives "Invalid token".
TomlToken classify_value_word(const std::string& word);
