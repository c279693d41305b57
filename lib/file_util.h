// File helpers that tolerate files held open for a moment by other
// processes (virus scanners, indexers, the client). Paths are byte strings.
#pragma once

#include <cstdio>
#include <string>

#include "lib/clock.h"

bool path_exists(const std::string& path);
bool path_is_directory(const std::string& path);

// Stores the size in bytes and returns 0, or returns RC_STAT_FAILED.
int size_of_file(const std::string& path, double& size);

// 0 when the path already is a directory or was created (one level);
// otherwise the system's error number.
int make_directory(const std::string& path);

// Copies source over destination. Returns 0 or the system's error number.
int copy_file_over(const std::string& source, const std::string& destination);

// Deletes a file, retrying after random pauses of up to 2 seconds for up to
// 5 seconds after the first failure. Returns 0 (also when the path does not
// exist) or RC_UNLINK_FAILED. Prints nothing.
int delete_file_retry(const std::string& path, Clock& clock = system_clock());

// Opens a stream with fopen's mode, retrying as delete_file_retry does. A
// missing file opened for reading gives null at once; for reading only a
// regular file is opened, never through a link (a slot file may be the
// container's). Returns the stream of
// the last attempt, or null; the caller closes it.
std::FILE* open_file_retry(const std::string& path, const char* mode, Clock& clock = system_clock());

// Writes text into a fresh file beside path and renames it over path
// (platform::replace_file_with), retrying as delete_file_retry does while
// the old file is held open elsewhere. Returns 0 or the system's error
// number of the last attempt; path then keeps whatever it held before.
int replace_file_retry(const std::string& path, const std::string& text, Clock& clock = system_clock());

// Reads the whole file at path (UTF-8, as every path in this program) into
// text. False when it can't be opened or read.
bool read_whole_file(const std::string& path, std::string& text);

// The current working directory, followed by "/" and relative when that is
// not empty.
std::string working_dir_path(const std::string& relative);
