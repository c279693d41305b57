// Output of any size: the head shown as it comes, the tail kept and shown
// at the end after a line counting what was left out; nothing else kept.
#include <gtest/gtest.h>

#include <string>

#include "driver/bounded_output.h"
#include "test_support.h"

TEST(BoundedOutput, ShortOutputIsShownWholeOnce) {
  StderrCapture log;
  BoundedOutput output(100, 100, true);
  output.take("line 1\n");
  output.take("line 2\n");
  output.finish();
  EXPECT_EQ(log.text(), "line 1\nline 2\n");
  EXPECT_EQ(output.lines(), (std::vector<std::string>{"line 1\n", "line 2\n"}));
  EXPECT_EQ(output.left_out(), 0u);
}

TEST(BoundedOutput, LongOutputKeepsHeadAndTailInPiecesOfAnySize) {
  for (std::size_t piece : {1u, 7u, 64u, 1000u}) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + "\n";
    StderrCapture log;
    BoundedOutput output(20, 30, true);
    for (std::size_t at = 0; at < text.size(); at += piece) output.take(std::string_view(text).substr(at, piece));
    output.finish();
    std::size_t left_out = text.size() - 50;
    EXPECT_EQ(output.left_out(), left_out) << piece;
    EXPECT_EQ(log.text(), text.substr(0, 20) + "\n   ... " + std::to_string(left_out) + " bytes left out ...\n" +
                              text.substr(text.size() - 30))
        << piece;
    std::vector<std::string> lines = output.lines();
    EXPECT_EQ(lines.front(), "line 0\n") << piece;
    EXPECT_EQ(lines.back(), "line 299\n") << piece;
  }
}

TEST(BoundedOutput, WithoutEchoNothingIsShown) {
  StderrCapture log;
  BoundedOutput output(4, 4, false);
  output.take("0123456789");
  output.finish();
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(output.lines(), (std::vector<std::string>{"0123\n", "6789\n"}));
}

// The container's log: the head only shown, never kept, and the note says
// what was left out and where the limit is set.
TEST(BoundedOutput, AHeadShownButNotKeptAndANoteOfItsOwn) {
  StderrCapture log;
  BoundedOutput output(4, 4, true, false, "of the log left out");
  output.take("0123456789");
  output.take("abc");
  output.finish();
  EXPECT_EQ(log.text(), "0123\n   ... 5 bytes of the log left out ...\n9abc");
  EXPECT_EQ(output.left_out(), 5u);
  EXPECT_EQ(output.lines(), (std::vector<std::string>{"9abc\n"}));
}
