// Keeping job-supplied texts intact on the engine's command line, which a
// POSIX shell reads before the engine sees it.
#pragma once

#include <string>

// The text with backslash, double quote, dollar and backquote escaped, for
// use inside double quotes.
std::string escape_in_double_quotes(const std::string& text);

// The text as it is when the shell would read it as one plain word;
// otherwise the text in single quotes (each single quote written as '\'').
std::string shell_word(const std::string& text);

// Whether the text holds a blank or a character the shell would interpret.
bool has_shell_characters(const std::string& text);
