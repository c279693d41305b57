#include "lib/dir_listing.h"

#include "lib/file_util.h"

void DIR_LISTING::open(const std::string& directory) {
  close();
  started = true;
  pattern = path_is_directory(directory) ? directory + "*" : std::string();
}

bool DIR_LISTING::next(std::string& name) {
  if (pattern.empty()) return false;
  if (started) {
    started = false;
    // The pattern ends in "*", which the search itself does not want.
    search = platform::DirSearch::start(pattern.substr(0, pattern.size() - 1));
  }
  if (search == nullptr) return false;
  std::string entry;
  while (search->next(entry)) {
    if (entry.empty() || entry[0] == '.') continue;
    name = entry;
    return true;
  }
  search.reset();
  return false;
}

void DIR_LISTING::close() { search.reset(); }
