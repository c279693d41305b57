#include "lib/text_util.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CopyBounded, CutsAndReportsTheFullLength) {
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(copy_bounded(buffer, "abcdef", sizeof buffer), 6u);
  EXPECT_STREQ(buffer, "abc");

  char untouched[2] = {'x', 'y'};
  EXPECT_EQ(copy_bounded(untouched, "abcdef", 0), 6u);
  EXPECT_EQ(untouched[0], 'x');

  char exact[7];
  EXPECT_EQ(copy_bounded(exact, "abcdef", sizeof exact), 6u);
  EXPECT_STREQ(exact, "abcdef");
}

TEST(AppendBounded, FillsWhatFitsAndReportsTheWantedLength) {
  char roomy[8] = "abc";
  EXPECT_EQ(append_bounded(roomy, "def", sizeof roomy), 6u);
  EXPECT_STREQ(roomy, "abcdef");

  char tight[5] = "abc";
  EXPECT_EQ(append_bounded(tight, "def", sizeof tight), 6u);
  EXPECT_STREQ(tight, "abcd");

  // A destination without a terminator inside the size is left alone.
  char full[3] = {'a', 'b', 'c'};
  EXPECT_EQ(append_bounded(full, "de", sizeof full), 5u);
  EXPECT_EQ(std::memcmp(full, "abc", 3), 0);
}

TEST(FindNocase, PointsIntoTheOriginalText) {
  const char* text = "the ALPHA tool";
  EXPECT_EQ(find_nocase(text, "Alpha"), text + 4);
  EXPECT_EQ(find_nocase(text, "beta"), nullptr);
  EXPECT_EQ(find_nocase("Up 3 minutes (Paused)", "paused") != nullptr, true);
}

TEST(FindNocase, LooksOnlyAtTheFirst1023Bytes) {
  std::string text(1020, 'a');
  text += "needle";
  EXPECT_EQ(find_nocase(text.c_str(), "needle"), nullptr);
  EXPECT_EQ(find_nocase(text.c_str(), "aaaned") , nullptr);
  EXPECT_NE(find_nocase(text.c_str(), "aaane"), nullptr);
}

TEST(SplitLines, Cases) {
  using Lines = std::vector<std::string>;
  struct {
    const char* text;
    bool keep;
    Lines expected;
  } cases[] = {
      {"", true, {}},
      {"a", true, {"a\n"}},
      {"a", false, {"a"}},
      {"a\n\nb", true, {"a\n", "\n", "b\n"}},
      {"a\nb\n", true, {"a\n", "b\n"}},
      {"a\nb\n", false, {"a", "b"}},
      {"\n", true, {"\n"}},
      {"\n\n", false, {"", ""}},
      {"x\ny", true, {"x\n", "y\n"}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_lines(c.text, '\n', c.keep), c.expected) << '"' << c.text << '"';
}
