// Free-form engine options split into words when job.toml is read.
#include "driver/shell_words.h"

#include <gtest/gtest.h>

#include "engine/engine_command.h"

using Words = std::vector<std::string>;

TEST(ShellWords, SplitByShellQuotingRules) {
  struct {
    std::string text;
    Words words;
  } cases[] = {
      {"", {}},
      {"  --shm-size=1g\t--rm  ", {"--shm-size=1g", "--rm"}},
      {"-e 'A=x y' -e \"B=1 2\"", {"-e", "A=x y", "-e", "B=1 2"}},
      {"-e A=it\\'s", {"-e", "A=it's"}},
      {"''", {""}},
      {"a'b'\"c\"d", {"abcd"}},
      {"'$(id) `id` ; & | # ${x}'", {"$(id) `id` ; & | # ${x}"}},
      {"\"a\\\"b\\\\c\\$d\\`e\\f\"", {"a\"b\\c$d`e\\f"}},
      {"\"cost 5$\" a$ $", {"cost 5$", "a$", "$"}},
      {"'multi\nline'", {"multi\nline"}},
      {"-e X=\xc3\xa9", {"-e", "X=\xc3\xa9"}},
  };
  for (const auto& c : cases) {
    Words words{"stale"};
    std::string problem;
    EXPECT_TRUE(split_option_words(c.text, words, problem)) << c.text << ": " << problem;
    EXPECT_EQ(words, c.words) << c.text;
  }
}

TEST(ShellWords, RefusesWhatAShellWouldRunOrExpand) {
  struct {
    std::string text;
    const char* problem;
  } cases[] = {
      {"-e 'A=x", "unbalanced quote"},
      {"-e \"A=x", "unbalanced quote"},
      {"-e A=x\\", "trailing backslash"},
      {"--rm; touch x", "shell operator"},
      {"--rm && touch x", "shell operator"},
      {"--rm | tee", "shell operator"},
      {"< in", "shell operator"},
      {"> out", "shell operator"},
      {"(x)", "shell operator"},
      {"-e X=\xc3(", "shell operator"},
      {"--rm # comment", "comment sign"},
      {"`touch x`", "command substitution"},
      {"$(touch x)", "command substitution"},
      {"\"$(touch x)\"", "command substitution"},
      {"\"`touch x`\"", "command substitution"},
      {"-v ${HOME}:/h", "parameter expansion"},
      {"-v $HOME:/h", "parameter expansion"},
      {"-v \"$HOME:/h\"", "parameter expansion"},
      {"--rm\n--init", "line end"},
      {std::string("a\0b", 3), "NUL byte"},
  };
  for (const auto& c : cases) {
    Words words;
    std::string problem;
    EXPECT_FALSE(split_option_words(c.text, words, problem)) << c.text;
    EXPECT_EQ(problem, c.problem) << c.text;
    EXPECT_TRUE(words.empty()) << c.text;
  }
}

TEST(ShellWords, RenderedWordsSplitBackToThemselves) {
  Words words{"plain", "", "a b", "it's", "$(id)", "`x`", "\"q\"", "back\\slash", "semi;colon", "#hash",
              "line\nend", "\xff\xfe", "${x}", "$HOME", "!bang", "~", "*"};
  EngineCommand command;
  command.add_all(words);
  Words again;
  std::string problem;
  ASSERT_TRUE(split_option_words(render_posix(command), again, problem)) << problem;
  EXPECT_EQ(again, words);
}

TEST(ShellWords, ShellCharacters) {
  EXPECT_TRUE(has_shell_characters("my image"));
  EXPECT_TRUE(has_shell_characters(std::string("a\0b", 3)));
  EXPECT_FALSE(has_shell_characters("registry.example.org:5000/team/img:1.0"));
}
