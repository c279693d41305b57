#include "platform/shared_block.h"

#include <windows.h>

#include <map>
#include <mutex>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

std::mutex blocks_mutex;
std::map<std::string, HANDLE> blocks;  // made by create_named_block

}  // namespace

void* attach_named_block(const std::string& name, std::size_t size) {
  // The machine-wide name first, then the session's own.
  HANDLE mapping = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, to_wide_string("Global\\" + name).c_str());
  if (mapping == nullptr) mapping = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, to_wide_string(name).c_str());
  if (mapping == nullptr) return nullptr;
  // The mapping and its view stay for the life of the process.
  return ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
}

void* create_named_block(const std::string& name, std::size_t size) {
  HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size),
                                        to_wide_string(name).c_str());
  if (mapping == nullptr) return nullptr;
  void* view = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
  if (view == nullptr) {
    ::CloseHandle(mapping);
    return nullptr;
  }
  std::lock_guard<std::mutex> hold(blocks_mutex);
  blocks[name] = mapping;
  return view;
}

void remove_named_block(const std::string& name) {
  std::lock_guard<std::mutex> hold(blocks_mutex);
  auto found = blocks.find(name);
  if (found == blocks.end()) return;
  ::CloseHandle(found->second);
  blocks.erase(found);
}

}  // namespace platform
