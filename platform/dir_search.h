// Enumerates the entries of one directory, in the order the file system
// delivers them. Not thread-safe; one owner at a time.
#pragma once

#include <memory>
#include <string>

namespace platform {

class DirSearch {
 public:
  virtual ~DirSearch() = default;

  // Starts a search of the directory; null when it can't be started.
  static std::unique_ptr<DirSearch> start(const std::string& directory);

  // Stores the next entry's name (every entry, "." and ".." included) and
  // returns true, or returns false at the end.
  virtual bool next(std::string& name) = 0;
};

}  // namespace platform
