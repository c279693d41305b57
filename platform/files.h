// File-system services: the small set of calls the helpers above this layer
// need. Paths are UTF-8. Errors are the operating system's own error
// numbers, never result codes.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

bool path_exists(const std::string& path);
bool path_is_directory(const std::string& path);

// Stores the size of the file in bytes; returns false when it can't be read.
bool file_size(const std::string& path, double& size);

// Creates one directory level; one that is there already counts as made.
bool create_directory(const std::string& path, int& error);

// Copies source over destination, replacing it; the copy keeps the
// source's permissions (on Windows, its attributes).
bool copy_file(const std::string& source, const std::string& destination, int& error);

// Writes text into a new file of a fresh name beside destination, with
// everything flushed to the disk, then renames it over destination in one
// step: destination holds either its old content or the whole text, never a
// part. A link or a second name standing at destination is replaced, never
// written through; an empty directory there is removed. On failure error is
// that of the first step that failed, and the new file is removed.
bool replace_file_with(const std::string& destination, const std::string& text, int& error);

// Deletes a file.
bool delete_file(const std::string& path, int& error);

// Opens a stream as fopen does, sharing read and write access with other
// openers where the system has such a notion. Returns null on failure. The
// descriptor is not inherited by child processes.
std::FILE* open_file_shared(const std::string& path, const char* mode);

// Files of the slot directory may have been planted by the job's container:
// the readers below never follow a link and never wait (a FIFO, device or
// directory of that name is not opened for reading at all).

// Reads at most max_bytes from the start of a regular file into text.
// Returns false when there is no such regular file or it can't be read.
bool read_regular_file_start(const std::string& path, std::size_t max_bytes, std::string& text);

enum class SlotRead { ok, missing, not_regular, too_large, failed };

// Reads a whole regular file of at most max_bytes into text.
SlotRead read_slot_file(const std::string& path, std::size_t max_bytes, std::string& text);

// Opens a regular file for reading as a stream, or returns null. The
// descriptor is not inherited by child processes.
std::FILE* open_slot_file_for_reading(const std::string& path);

// The current working directory, or an empty text when it can't be read.
std::string current_directory();

// The absolute form of path, taken against the current directory, with "."
// and ".." parts resolved by name (no link is followed) and a trailing
// separator kept. On Windows the separators become "\\". Empty when the
// current directory can't be read.
std::string full_path(const std::string& path);

}  // namespace platform
