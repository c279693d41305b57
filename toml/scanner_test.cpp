#include "toml/scanner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

// "kind:text" for every token up to the end or an error, scanning each in
// the given position.
std::vector<std::string> tokens_of(const std::string& text, TomlPosition position) {
  std::istringstream in(text);
  TomlScanner scanner(in);
  std::vector<std::string> out;
  for (;;) {
    TomlToken t = scanner.next_token(position);
    std::string value = t.text;
    if (t.kind == T_INT || t.kind == T_BOOL) value = std::to_string(t.int_value);
    if (t.kind == T_TIME) value = std::to_string(t.time_value);
    if (t.kind == T_DOUBLE) {
      std::ostringstream d;
      d << t.double_value;
      value = d.str();
    }
    out.push_back(std::to_string(t.kind) + ":" + value);
    if (t.kind == T_END || t.kind == T_ERROR) return out;
  }
}

std::string first_value(const std::string& text) { return tokens_of(text, VALUE_POSITION)[0]; }

// How a collected value word is classified, whatever the scanner would
// have cut before it.
std::string classified(const std::string& word) {
  TomlToken t = classify_value_word(word);
  std::ostringstream value;
  if (t.kind == T_INT) value << t.int_value;
  if (t.kind == T_DOUBLE) value << t.double_value;
  if (t.kind == T_TIME) value << t.time_value;
  if (t.kind == T_ERROR) value << t.text;
  return std::to_string(t.kind) + ":" + value.str();
}

std::string i(long long v) { return std::to_string(T_INT) + ":" + std::to_string(v); }
std::string d(const char* v) { return std::to_string(T_DOUBLE) + ":" + v; }
std::string t(long long v) { return std::to_string(T_TIME) + ":" + std::to_string(v); }
std::string err(const std::string& m) { return "0:" + m; }
std::string str(const std::string& s) { return std::to_string(T_STRING) + ":" + s; }
std::string ml(const std::string& s) { return std::to_string(T_MULTILINE_STRING) + ":" + s; }

constexpr long long kDay = 864000000000LL;  // ticks
constexpr long long k1979 = 3433LL * kDay;  // 1979-05-27 is day 3433

}  // namespace

TEST(TomlScanner, KeysAndPunctuation) {
  EXPECT_EQ(tokens_of("a-b_1 . \"q.k\" = [ ] { } ,", KEY_POSITION),
            (std::vector<std::string>{"3:a-b_1", "11:", "4:q.k", "12:", "13:", "14:", "15:", "16:", "10:", "1:"}));
  EXPECT_EQ(tokens_of("a-b_1", VALUE_POSITION)[0], err("Unknown ident: a"));
  EXPECT_EQ(tokens_of("+x", KEY_POSITION)[0], err("Unknown key format"));
}

TEST(TomlScanner, CommentsNewlinesAndLineCount) {
  std::istringstream in("# a comment\n  x");
  TomlScanner scanner(in);
  EXPECT_EQ(scanner.next_token(KEY_POSITION).kind, T_NEWLINE);
  EXPECT_EQ(scanner.line, 2);
  EXPECT_EQ(scanner.next_token(KEY_POSITION).text, "x");
}

TEST(TomlScanner, Numbers) {
  struct {
    const char* text;
    std::string token;
  } cases[] = {
      {"1_000", i(1000)},
      {"+17", i(17)},
      {"-17", i(-17)},
      {"007", i(7)},
      {"9223372036854775807", i(9223372036854775807LL)},
      {"9223372036854775808", err("Invalid token")},
      {"-9223372036854775809", err("Invalid token")},
      {"1__000", err("Invalid token")},
      {"_1", err("Invalid token")},
      {"1_", err("Invalid token")},
      {"+", err("Invalid token")},
      {"-", err("Invalid token")},
      {"3.14", d("3.14")},
      {"1e3", d("1000")},
      {"6.626e-34", d("6.626e-34")},
      {"1_0.5", d("10.5")},
      {"1.", d("1")},

      {"1.e5", d("100000")},
      {"-0.25E-1_0", d("-2.5e-11")},

      {"1e", err("Invalid token")},
      {"1e+", err("Invalid token")},
      {"inf", err("Unknown ident: inf")},
      {"nan", err("Unknown ident: nan")},
      {"true", std::to_string(T_BOOL) + ":1"},
      {"false", std::to_string(T_BOOL) + ":0"},
  };
  for (const auto& c : cases) EXPECT_EQ(first_value(c.text), c.token) << c.text;
  // A full stop begins a dot token, so these words only arise inside others.
  EXPECT_EQ(classified(".5"), d("0.5"));
  EXPECT_EQ(classified("."), err("Invalid token"));
  EXPECT_EQ(classified(""), err("Invalid token"));
  EXPECT_EQ(tokens_of(".5", VALUE_POSITION)[0], "11:");
  EXPECT_EQ(tokens_of("0x1F", VALUE_POSITION), (std::vector<std::string>{i(0), err("Unknown ident: x")}));
  EXPECT_EQ(tokens_of("1a", VALUE_POSITION), (std::vector<std::string>{i(1), err("Unknown ident: a")}));
}

TEST(TomlScanner, DateTimes) {
  const long long hour = 36000000000LL;
  struct {
    const char* text;
    std::string token;
  } cases[] = {
      {"1970-01-01", t(0)},
      {"1979-05-27", t(k1979)},
      {"1979-05-27T07:32:00Z", t(k1979 + 7 * hour + 32 * 600000000LL)},
      {"1979-05-27T07:32:00", t(k1979 + 7 * hour + 32 * 600000000LL)},
      {"1979-05-27T00:32:00.999999-07:00", t(k1979 + 7 * hour + 32 * 600000000LL + 9999990)},
      {"1979-05-27T07:32:00.999999Z", t(k1979 + 7 * hour + 32 * 600000000LL + 9999990)},
      {"1979-05-27T07:32:00+01:00", t(k1979 + 6 * hour + 32 * 600000000LL)},
      {"1979-05-27T07:32:00.0000005Z", t(k1979 + 7 * hour + 32 * 600000000LL + 10)},
      {"2021-02-30", t(18688LL * kDay)},
      {"1979-05-27T25:00:00Z", t(k1979 + 25 * hour)},
      {"07:32:00", err("Invalid token")},
      {"1979-13-01", err("Invalid token")},
      {"1899-12-31", err("Invalid token")},
      {"1979-05-27T07:32", err("Invalid token")},
      {"1979-05-27T07:32:00-01:00junk", t(k1979 + 8 * hour + 32 * 600000000LL)},
      {"1979-05-27T07:32:00+01", err("Invalid token")},
      {"1979-05-27Z", err("Invalid token")},
      {"99999-01-01", err("Invalid token")},
  };
  for (const auto& c : cases) EXPECT_EQ(first_value(c.text), c.token) << c.text;
  EXPECT_EQ(classified("1979-05-27T07:32:00X01:00"), err("Invalid token"));
  EXPECT_EQ(classified("1979-05-27T07:32:00junk"), err("Invalid token"));
}

TEST(TomlScanner, Strings) {
  struct {
    const char* text;
    std::string token;
  } cases[] = {
      {"\"\"", str("")},
      {"''", str("")},
      {"\"a\\u00e9b\"", str("a\xC3\xA9" "b")},
      {"\"\\U0001F600\"", str("\xF0\x9F\x98\x80")},
      {"\"\\u0000\"", str("")},
      {"\"\\u07FF\\uFFFF\\U00110000\"", str("\xDF\xBF\xEF\xBF\xBF")},
      {"\"q\\\"\\\\\\'\\n\\r\\t\"", str("q\"\\'\n\r\t")},
      {"\"a\\\n  b\"", str("ab")},
      {"\"line\nfeed\"", str("line\nfeed")},
      {"\"\"\"  \nab\"\"\"", ml("ab")},
      {"\"\"\"x\"\"\"\"", ml("x")},
      {"\"\"\"a\"b\"\"c\"\"\"", ml("a\"b\"\"c")},
      {"'a\\b'", str("a\\b")},
      {"'''\nx''y'''", ml("x''y")},
      {"'''\n  keep'''", ml("  keep")},
      {"\"\\b\"", err("string has unknown escape sequence")},
      {"\"\\u12G4\"", err("string has unknown escape sequence")},
      {"\"\\", err("string has unknown escape sequence")},
      {"\"abc", err("string didn't end")},
      {"\"\"\"abc\"\"", err("string didn't end")},
      {"'abc", err("string didn't end with '''?")},
      {"'''abc''", err("string didn't end with ''''' ?")},
  };
  for (const auto& c : cases) EXPECT_EQ(first_value(c.text), c.token) << c.text;
  // The fourth quote begins the next token.
  EXPECT_EQ(tokens_of("\"\"\"x\"\"\"\"", VALUE_POSITION)[1], err("string didn't end"));
}
