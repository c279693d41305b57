// What reaches a terminal: text as it is, control characters escaped, in
// pieces of any size.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal_text.h"

TEST(TerminalText, ControlCharactersAreShownEscaped) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain text\n\tindented\n", "plain text\n\tindented\n"},
      {"\x1b]0;title\x07", "\\x1B]0;title\\x07"},                     // a window title
      {"\x1b]52;c;ZXZpbA==\x1b\\", "\\x1B]52;c;ZXZpbA==\\x1B\\"},      // a clipboard write
      {"\x1b[2J\x1b[H", "\\x1B[2J\\x1B[H"},                             // a screen clear
      {"a\rb\x7f" "c", "a\\x0Db\\x7Fc"},
      {std::string("nul\0byte", 8), "nul\\x00byte"},
      {"\xc2\x9b" "31m", "\\xC2\\x9B31m"},                             // CSI as a UTF-8 C1 control
      {"J\xc3\xb6rg \xc2\xa9 \xce\xa9", "J\xc3\xb6rg \xc2\xa9 \xce\xa9"},  // letters and signs stay
  };
  for (const auto& c : cases) {
    for (std::size_t piece : {1u, 2u, 3u, 100u}) {
      platform::TerminalText terminal;
      std::string out;
      for (std::size_t at = 0; at < c.in.size(); at += piece)
        terminal.escape(std::string_view(c.in).substr(at, piece), out);
      EXPECT_EQ(out, c.out) << c.in << " in pieces of " << piece;
    }
  }
}
