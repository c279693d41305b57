// Sends a standard stream into a file of the slot directory.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class StandardStream { output, error };

// Reopens the stream onto the file, appending or emptying it first. A link,
// FIFO or device standing there, or a file with a second name, is removed
// and the file made anew: the log is never written through to elsewhere. Every
// write then reaches the file at once (standard error unbuffered, standard
// output line-buffered with 512 bytes). Returns false when the file can't be
// opened; the stream then stays where it was.
// When standard error was a terminal, what is written to it reaches that
// terminal as well, in order, until stop_terminal_copy (on Windows the
// file alone).
bool redirect_stream(StandardStream stream, const std::string& path, bool append);

// From now on standard error goes to its file alone.
void stop_terminal_copy();

// Whether standard error still reaches a terminal as well (never on
// Windows).
bool terminal_copy_active();

// Shows bytes on that terminal alone (escaped as the log is), not in the
// file; nothing when there is no terminal copy.
void show_on_terminal(std::string_view bytes);

// Holds the terminal copy back (what standard error is given meanwhile
// reaches the file alone), or lets it go on. Everything written before
// reaches the terminal first.
void hold_terminal_copy(bool held);

// Waits, at most two seconds, until everything written to standard error
// has reached its file and terminal. When the file's name no longer leads
// to it (the container replaced the name while the job ran), a copy of the
// file is put back under the name. Call right before the process ends:
// standard error writes nowhere afterwards.
void finish_standard_error();

}  // namespace platform
