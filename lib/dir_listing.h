// The entries of one directory, hiding every name that begins with ".".
// One owner, one thread.
#pragma once

#include <memory>
#include <string>

#include "platform/dir_search.h"

struct DIR_LISTING {
  std::string pattern;  // the directory followed by "*", or empty
  bool started = true;
  std::unique_ptr<platform::DirSearch> search;

  // Prepares a listing of the directory; a path that is not a directory
  // gives a listing without entries.
  void open(const std::string& directory);

  // Stores the next entry's name and returns true, or returns false at the
  // end (and closes the search).
  bool next(std::string& name);

  void close();
};
