#include "platform/shared_block.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

void* attach_named_block(const std::string& name, std::size_t size) {
  // The machine-wide name first, then the session's own.
  HANDLE mapping = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, to_wide_string("Global\\" + name).c_str());
  if (mapping == nullptr) mapping = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, to_wide_string(name).c_str());
  if (mapping == nullptr) return nullptr;
  // The mapping and its view stay for the life of the process.
  return ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
}

}  // namespace platform
