// Free-form engine options from job.toml (create_args, build_args), split
// into words once when the configuration is read. They are read by POSIX
// shell rules for quotes and backslashes; anything a shell would run or
// expand is refused, since nothing of the job is ever handed to a shell as
// code.
#pragma once

#include <string>
#include <vector>

// Splits text into words: blanks and tabs separate them, single quotes keep
// everything, double quotes keep everything but a backslash before \ " $ `
// and a backslash outside quotes keeps the next byte. Returns true with the
// words, or false with problem set for an unbalanced quote, a trailing
// backslash, a line end, or outside single quotes a shell operator
// (; & | < > ( ) or a comment #), a command substitution (backquote, "$(")
// or an expansion ("${", "$NAME").
bool split_option_words(const std::string& text, std::vector<std::string>& words, std::string& problem);

// Whether the text holds a blank or a byte a shell would interpret.
bool has_shell_characters(const std::string& text);
