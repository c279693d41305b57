#include "platform/dir_search.h"

#include <dirent.h>

namespace platform {
namespace {

class PosixDirSearch final : public DirSearch {
 public:
  explicit PosixDirSearch(DIR* dir) : dir_(dir) {}
  ~PosixDirSearch() override { ::closedir(dir_); }

  bool next(std::string& name) override {
    dirent* entry = ::readdir(dir_);
    if (entry == nullptr) return false;
    name = entry->d_name;
    return true;
  }

 private:
  DIR* dir_;
};

}  // namespace

std::unique_ptr<DirSearch> DirSearch::start(const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return nullptr;
  return std::make_unique<PosixDirSearch>(dir);
}

}  // namespace platform
