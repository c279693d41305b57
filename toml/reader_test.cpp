#include "toml/reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

ParseOutcome parse_text(const std::string& text) {
  std::istringstream in(text);
  return parse_toml(in);
}

}  // namespace

TEST(TomlReader, ValidDocuments) {
  struct {
    const char* name;
    std::string text;
    std::function<void(const Value&)> check;
  } cases[] = {
      {"empty", "", [](const Value& r) { EXPECT_EQ(r.count(), 0u); }},
      {"comments and blanks", "# c\n\n   \n# d", [](const Value& r) { EXPECT_EQ(r.count(), 0u); }},
      {"no final newline", "a = 1", [](const Value& r) { EXPECT_EQ(r.lookup("a")->get_int(), 1); }},
      {"trailing comment", "a = 1 # c\n", [](const Value& r) { EXPECT_EQ(r.lookup("a")->get_int(), 1); }},
      {"table reopened", "[x]\nk = 1\n[y]\n[x]\nj = 2\n",
       [](const Value& r) {
         EXPECT_EQ(r.lookup("x.k")->get_int(), 1);
         EXPECT_EQ(r.lookup("x.j")->get_int(), 2);
       }},
      {"array of tables", "[[p]]\nn = 1\n[[p]]\nn = 2\n[p.q]\nm = 3\n",
       [](const Value& r) {
         const ValueArray& p = r.lookup("p")->get_array();
         ASSERT_EQ(p.size(), 2u);
         EXPECT_EQ(p[1].lookup("n")->get_int(), 2);
         EXPECT_EQ(p[1].lookup("q.m")->get_int(), 3);
         EXPECT_EQ(p[0].lookup("q"), nullptr);
       }},
      {"arrays", "a = [1 2 3]\nb = [1, 2, 3,]\nc = [[1], [\"s\"]]\nd = [\n 1,\n 2\n]\ne = []\n",
       [](const Value& r) {
         EXPECT_EQ(r.lookup("a")->count(), 3u);
         EXPECT_EQ(r.lookup("b")->count(), 3u);
         EXPECT_EQ(r.lookup("c")->count(), 2u);
         EXPECT_EQ(r.lookup("d")->count(), 2u);
         EXPECT_EQ(r.lookup("e")->count(), 0u);
       }},
      {"inline tables", "t = {a = 1, b = \"x\"}\ne = {}\nq = {\"p.q\" = 1}\n",
       [](const Value& r) {
         EXPECT_EQ(r.lookup("t")->count(), 2u);
         EXPECT_EQ(r.lookup("t.b")->get_string(), "x");
         EXPECT_EQ(r.lookup("e")->count(), 0u);
         EXPECT_EQ(r.lookup("q.p.q")->get_int(), 1);
       }},
      {"byte order mark", "\xEF\xBB\xBF" "a = 1\n", [](const Value& r) { EXPECT_EQ(r.lookup("a")->get_int(), 1); }},
      {"all scalar kinds", "s = 'x'\nm = \"\"\"y\"\"\"\nb = true\ni = -3\nf = 2.5\nt = 1970-01-02\n",
       [](const Value& r) {
         EXPECT_EQ(r.lookup("m")->get_string(), "y");
         EXPECT_TRUE(r.lookup("b")->get_bool());
         EXPECT_EQ(r.lookup("f")->get_double(), 2.5);
         EXPECT_EQ(r.lookup("t")->get_time(), 864000000000LL);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ParseOutcome outcome = parse_text(c.text);
    ASSERT_TRUE(outcome.valid()) << outcome.error;
    EXPECT_EQ(outcome.error, "");
    c.check(outcome.root);
  }
}

TEST(TomlReader, Errors) {
  struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"a =", "Error: line 1: unexpected token"},
      {"a =\n", "Error: line 1: unexpected token"},
      {"a.b = 1\n", "Error: line 1: no equal?"},
      {"a = 1\na = 2\n", "Error: line 2: Multiple same key: a"},
      {"t = 1\n[t]\n", "Error: line 2: error when parsing group key"},
      {"v = [1, 2.0]\n", "Error: line 1: type check failed"},
      {"t = {a = 1,}\n", "Error: line 1: error when parsing key Value"},
      {"t = {a = 1 b = 2}\n", "Error: line 1: inline table didn't have ',' for delimiter?"},
      {"t = {a = 1, a = 2}\n", "Error: line 1: inline table has multiple same keys: key=a"},
      {"t = {a = 1\n}\n", "Error: line 1: inline table didn't have ',' for delimiter?"},
      {"b = yes\n", "Error: line 1: Unknown ident: yes"},
      {"\xEF\x41" "a = 1\n", "Error: line 1: parse key failed"},
      {"s = \"abc", "Error: line 1: string didn't end"},
      {"= 1\n", "Error: line 1: parse key failed"},
      {"a = 1 2\n", "Error: line 1: error when parsing key Value"},
      {"[a\n", "Error: line 1: error when parsing group key"},
      {"[[a]\n", "Error: line 1: error when parsing group key"},
      {"[a] x\n", "Error: line 1: error when parsing group key"},
      {"a = +\n", "Error: line 1: Invalid token"},
      {"a = 99999999999999999999\n", "Error: line 1: Invalid token"},
      {"t = {\"a b\" = 1}\n", "Error: line 1: invalid key"},
      {"t = {\"\" = 1}\n", "Error: line 1: invalid key"},
      {"t = {a = 1, \"a.b\" = 2}\n", "Error: line 1: encountered non table value"},
      {"a = [" + std::string(300, '[') + "\n", "Error: line 1: nesting too deep"},
      {"a = " + std::string(300, '{') + "\n", "Error: line 1: error when parsing key Value"},
      // Where the fault is, not where the reader stopped.
      {"a = 1\ns = \"abc\n\n\n\n", "Error: line 2: string didn't end"},
      {"a = 1\n\n\nb = 2\nb = 3\n", "Error: line 5: Multiple same key: b"},
  };
  for (const auto& c : cases) {
    ParseOutcome outcome = parse_text(c.text);
    EXPECT_FALSE(outcome.valid()) << c.text;
    EXPECT_EQ(outcome.error, "Error: line " + std::to_string(outcome.error_line) + ": " + outcome.error_reason);
    EXPECT_EQ(outcome.root.kind(), V_NULL) << c.text;
    EXPECT_EQ(outcome.error, c.error) << c.text;
  }
}

TEST(TomlReader, DeeplyNestedInlineTablesAreRefused) {
  std::string text = "a = ";
  for (int i = 0; i < 300; ++i) text += "{b = ";
  ParseOutcome outcome = parse_text(text + "1\n");
  EXPECT_EQ(outcome.error, "Error: line 1: nesting too deep");
}

TEST(TomlReader, DeepHeadersAndKeyPathsAreRefusedToo) {
  auto dotted = [](int segments, const std::string& quote) {
    std::string path = quote + "k" + quote;
    for (int i = 1; i < segments; ++i) path += "." + quote + "k" + quote;
    return path;
  };
  struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"[" + dotted(256, "") + "]\nx = 1\n", true},
      {"[" + dotted(257, "") + "]\nx = 1\n", false},
      {"[" + dotted(200000, "") + "]\nx = 1\n", false},
      {"[[" + dotted(300, "") + "]]\n", false},
      {"t = {\"" + dotted(300, "") + "\" = 1}\n", false},
      {"t = {\"" + dotted(200000, "") + "\" = 1}\n", false},
  };
  for (const auto& c : cases) {
    ParseOutcome outcome = parse_text(c.text);
    EXPECT_EQ(outcome.valid(), c.valid) << c.text.substr(0, 40) << " " << c.text.size();
    if (!c.valid) {
      EXPECT_EQ(outcome.error, "Error: line 1: nesting too deep") << c.text.size();
    }
  }
}

TEST(TomlReader, AStreamThatFailedToOpen) {
  std::ifstream missing("/nonexistent/job.toml");
  ParseOutcome outcome = parse_toml(missing);
  EXPECT_FALSE(outcome.valid());
  EXPECT_EQ(outcome.error, "stream is in bad state. file does not exist?");
}
