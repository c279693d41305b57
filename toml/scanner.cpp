#include "toml/scanner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

TomlToken make(TomlTokenKind kind, std::string text = {}) {
  TomlToken token;
  token.kind = kind;
  token.text = std::move(text);
  return token;
}

TomlToken error(std::string message) { return make(T_ERROR, std::move(message)); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_bare_key_char(int c) { return is_letter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-'; }
bool is_word_char(int c) { return (c >= '0' && c <= '9') || (c != 0 && std::strchr("+-.:ETZ_e", c) != nullptr); }

// Digits in which a single "_" stands only between two digits, starting at
// pos; returns the position after them, or pos when none are there, or
// npos when an underscore is misplaced.
std::size_t digit_group(const std::string& text, std::size_t pos) {
  std::size_t start = pos;
  while (pos < text.size()) {
    if (is_digit(text[pos])) {
      ++pos;
    } else if (text[pos] == '_' && pos > start && is_digit(text[pos - 1]) && pos + 1 < text.size() &&
               is_digit(text[pos + 1])) {
      ++pos;
    } else {
      break;
    }
  }
  if (pos < text.size() && text[pos] == '_') return std::string::npos;
  return pos;
}

std::size_t after_sign(const std::string& text) {
  return !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
}

std::string without_underscores(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '_') out += c;
  }
  return out;
}

bool is_integer(const std::string& text) {
  std::size_t start = after_sign(text);
  std::size_t end = digit_group(text, start);
  return end != std::string::npos && end > start && end == text.size();
}

bool is_float(const std::string& text) {
  std::size_t pos = after_sign(text);
  std::size_t digits = 0;
  std::size_t end = digit_group(text, pos);
  if (end == std::string::npos) return false;
  digits += end - pos;
  pos = end;
  if (pos < text.size() && text[pos] == '.') {
    end = digit_group(text, ++pos);
    if (end == std::string::npos) return false;
    digits += end - pos;
    pos = end;
  }
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    end = digit_group(text, pos);
    if (end == std::string::npos || end == pos) return false;
    pos = end;
  }
  return pos == text.size();
}

// Days since 1970-01-01 of a proleptic Gregorian date; month 1 to 12, any
// day number (it rolls over).
long long days_from_civil(long long year, long long month, long long day) {
  year -= month <= 2;
  long long era = (year >= 0 ? year : year - 399) / 400;
  long long year_of_era = year - era * 400;
  long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
  long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468 + (day - 1);
}

TomlToken date_time(const std::string& text) {
  const TomlToken invalid = error("Invalid token");
  int year = 0, month = 0, day = 0, used = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d%n", &year, &month, &day, &used) < 3) return invalid;
  if (month < 1 || month > 12 || year < 1900) return invalid;
  long double seconds = static_cast<long double>(days_from_civil(year, month, day)) * 86400.0L;
  long long fraction_ticks = 0;
  const char* rest = text.c_str() + used;
  if (*rest == 'T') {
    int hours = 0, minutes = 0, time_used = 0;
    double second = 0;
    if (std::sscanf(rest + 1, "%d:%d:%lf%n", &hours, &minutes, &second, &time_used) < 3) return invalid;
    if (!std::isfinite(second)) return invalid;
    double whole = std::trunc(second);
    seconds += static_cast<long double>(hours) * 3600 + static_cast<long double>(minutes) * 60 + whole;
    fraction_ticks = std::llround((second - whole) * 1e6) * 10;
    const char* zone = rest + 1 + time_used;
    if (*zone != '\0' && std::strcmp(zone, "Z") != 0) {
      char sign = 0;
      int zone_hours = 0, zone_minutes = 0;
      if (std::sscanf(zone, "%c%d:%d", &sign, &zone_hours, &zone_minutes) < 3) return invalid;
      long double offset = static_cast<long double>(zone_hours) * 3600 + static_cast<long double>(zone_minutes) * 60;
      if (sign == '+') {
        seconds -= offset;
      } else if (sign == '-') {
        seconds += offset;
      } else {
        return invalid;
      }
    }
  } else if (*rest != '\0') {
    return invalid;
  }
  long double ticks = seconds * 10000000.0L + fraction_ticks;
  // Far-future texts that don't fit the tick count are not dates we can hold.
  if (ticks > static_cast<long double>(std::numeric_limits<std::int64_t>::max()) ||
      ticks < static_cast<long double>(std::numeric_limits<std::int64_t>::min())) {
    return invalid;
  }
  TomlToken token = make(T_TIME);
  token.time_value = static_cast<std::int64_t>(ticks);
  return token;
}

void append_utf8(std::string& text, unsigned long code) {
  if (code == 0 || code > 0x10FFFF) return;
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code <= 0xFFFF) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

int hex_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TomlToken classify_value_word(const std::string& word) {
  if (is_integer(word)) {
    errno = 0;
    char* end = nullptr;
    std::string digits = without_underscores(word);
    long long value = std::strtoll(digits.c_str(), &end, 10);
    if (errno == ERANGE) return error("Invalid token");
    TomlToken token = make(T_INT);
    token.int_value = value;
    return token;
  }
  if (is_float(word)) {
    TomlToken token = make(T_DOUBLE);
    token.double_value = std::strtod(without_underscores(word).c_str(), nullptr);
    return token;
  }
  return date_time(word);
}

int TomlScanner::get() {
  int c = in_.get();
  if (c == '\n') ++line;
  return c;
}

TomlToken TomlScanner::next_token(TomlPosition position) {
  // Blanks and comments first, so that the token's line is where it begins
  // (a string that runs on is reported where it opened).
  for (;;) {
    int c = in_.peek();
    if (c == ' ' || c == '\t' || c == '\r') {
      get();
    } else if (c == '#') {
      while (in_.peek() != kEnd && in_.peek() != '\n') get();
    } else {
      break;
    }
  }
  int start = line;
  TomlToken token = read_token(position);
  token.line = start;
  return token;
}

TomlToken TomlScanner::read_token(TomlPosition position) {
  for (;;) {
    int c = in_.peek();
    if (c == kEnd) return make(T_END);
    switch (c) {
      case ' ':
      case '\t':
      case '\r':
        get();
        continue;
      case '#':
        while (in_.peek() != kEnd && in_.peek() != '\n') get();
        continue;
      case '\n':
        get();
        return make(T_NEWLINE);
      case '"': return basic_string();
      case '\'': return literal_string();
      case ',': get(); return make(T_COMMA);
      case '.': get(); return make(T_DOT);
      case '=': get(); return make(T_EQUALS);
      case '[': get(); return make(T_LBRACKET);
      case ']': get(); return make(T_RBRACKET);
      case '{': get(); return make(T_LBRACE);
      case '}': get(); return make(T_RBRACE);
      default: return position == KEY_POSITION ? bare_key() : value_word();
    }
  }
}

TomlToken TomlScanner::bare_key() {
  std::string key;
  while (is_bare_key_char(in_.peek())) key += static_cast<char>(get());
  if (key.empty()) return error("Unknown key format");
  return make(T_BARE_KEY, key);
}

TomlToken TomlScanner::value_word() {
  std::string word;
  if (is_letter(in_.peek())) {
    while (is_letter(in_.peek())) word += static_cast<char>(get());
    if (word == "true" || word == "false") {
      TomlToken token = make(T_BOOL);
      token.int_value = word == "true" ? 1 : 0;
      return token;
    }
    return error("Unknown ident: " + word);
  }
  while (is_word_char(in_.peek())) word += static_cast<char>(get());
  return classify_value_word(word);
}

TomlToken TomlScanner::basic_string() {
  get();
  bool multi_line = false;
  if (in_.peek() == '"') {
    get();
    if (in_.peek() != '"') return make(T_STRING);
    get();
    multi_line = true;
    while (in_.peek() == ' ' || in_.peek() == '\t') get();
    if (in_.peek() == '\n') get();
  }
  std::string text;
  for (;;) {
    if (in_.peek() == kEnd) return error("string didn't end");
    int b = get();
    if (b == '\\') {
      if (in_.peek() == kEnd) return error("string has unknown escape sequence");
      int escape = get();
      switch (escape) {
        case '\n':
          while (in_.peek() == ' ' || in_.peek() == '\t' || in_.peek() == '\r' || in_.peek() == '\n') get();
          break;
        case '"':
        case '\'':
        case '\\': text += static_cast<char>(escape); break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'u':
        case 'U': {
          int digits = escape == 'u' ? 4 : 8;
          unsigned long code = 0;
          for (int i = 0; i < digits; ++i) {
            int value = in_.peek() == kEnd ? -1 : hex_value(in_.peek());
            if (value < 0) return error("string has unknown escape sequence");
            get();
            code = code * 16 + static_cast<unsigned long>(value);
          }
          append_utf8(text, code);
          break;
        }
        default: return error("string has unknown escape sequence");
      }
      continue;
    }
    if (b == '"') {
      if (!multi_line) return make(T_STRING, text);
      if (in_.peek() != '"') {
        text += '"';
        continue;
      }
      get();
      if (in_.peek() != '"') {
        text += "\"\"";
        continue;
      }
      get();
      return make(T_MULTILINE_STRING, text);
    }
    text += static_cast<char>(b);
  }
}

TomlToken TomlScanner::literal_string() {
  get();
  bool multi_line = false;
  if (in_.peek() == '\'') {
    get();
    if (in_.peek() != '\'') return make(T_STRING);
    get();
    multi_line = true;
    if (in_.peek() == '\n') get();
  }
  std::string text;
  for (;;) {
    if (in_.peek() == kEnd) {
      return error(multi_line ? "string didn't end with ''''' ?" : "string didn't end with '''?");
    }
    int b = get();
    if (b != '\'') {
      text += static_cast<char>(b);
      continue;
    }
    if (!multi_line) return make(T_STRING, text);
    if (in_.peek() != '\'') {
      text += '\'';
      continue;
    }
    get();
    if (in_.peek() != '\'') {
      text += "''";
      continue;
    }
    get();
    return make(T_MULTILINE_STRING, text);
  }
}
