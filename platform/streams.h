// Sends a standard stream into a file of the slot directory.
#pragma once

#include <string>

namespace platform {

enum class StandardStream { output, error };

// Reopens the stream onto the file, appending or emptying it first. Every
// write then reaches the file at once (standard error unbuffered, standard
// output line-buffered with 512 bytes). Returns false when the file can't be
// opened; the stream then stays where it was.
bool redirect_stream(StandardStream stream, const std::string& path, bool append);

// Sends standard error into a new file until restore_standard_error, for
// tests that compare what the code under test prints. Returns a token for
// the restore.
int capture_standard_error(const std::string& path);
void restore_standard_error(int token);

// The client's installation directory from the system's settings, or empty.
std::string client_install_dir();

}  // namespace platform
