// Texts a hostile project, work unit or client could put into any value
// that reaches an engine command. Whatever runs them must hand each one on
// as exactly one word, and run nothing. Each "pwned" payload creates that
// file when a shell or the command interpreter runs it.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> hostile_values() {
  return {
      "$(touch pwned)",
      "$(touch${IFS}pwned)",
      "a;touch${IFS}pwned",
      "`touch pwned`",
      "\"; touch pwned; echo \"",
      "'; touch pwned; echo '",
      "back\\slash\\",
      "\\\"quoted\\\"",
      "a;touch pwned",
      "a&touch pwned",
      "a|touch pwned",
      "x\"&echo INJECTED>pwned&rem \"",
      "%PATH%",
      "^&echo pwned",
      "line\ntouch pwned",
      "two  blanks\tand a tab",
      "non-ASCII J\xc3\xb6rg-\xce\xa9",
      "# comment",
      "* ? [a] ~ {x,y} ${HOME} $HOME !1",
      std::string(1 << 20, 'x'),
  };
}
