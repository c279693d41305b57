#include "platform/dir_search.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class WindowsDirSearch final : public DirSearch {
 public:
  WindowsDirSearch(HANDLE search, const WIN32_FIND_DATAW& first) : search_(search), entry_(first) {}
  ~WindowsDirSearch() override { ::FindClose(search_); }

  bool next(std::string& name) override {
    if (!have_entry_) {
      if (!::FindNextFileW(search_, &entry_)) return false;
    }
    have_entry_ = false;
    name = to_utf8(entry_.cFileName);
    return true;
  }

 private:
  HANDLE search_;
  WIN32_FIND_DATAW entry_;
  bool have_entry_ = true;  // FindFirstFile already delivered one
};

}  // namespace

std::unique_ptr<DirSearch> DirSearch::start(const std::string& directory) {
  WIN32_FIND_DATAW first;
  HANDLE search = ::FindFirstFileW(to_wide_path(directory + "*").c_str(), &first);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<WindowsDirSearch>(search, first);
}

}  // namespace platform
