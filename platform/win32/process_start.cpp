#include "platform/win32/process_start.h"

#include <memory>

#include "platform/win32/wide_text.h"

namespace platform {

bool start_process(const std::string& application, const std::string& command_line, STARTUPINFOW startup,
                   std::initializer_list<HANDLE> inherit, DWORD creation_flags, PROCESS_INFORMATION& info,
                   const std::string& directory) {
  // Duplicates in the list are refused by the system: one stream handle
  // may serve as both output and error.
  std::vector<HANDLE> handles;
  for (HANDLE handle : inherit) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) continue;
    bool seen = false;
    for (HANDLE other : handles) seen = seen || other == handle;
    if (!seen) handles.push_back(handle);
  }
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  auto storage = std::make_unique<char[]>(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.get());
  if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
  struct Deleter {
    LPPROC_THREAD_ATTRIBUTE_LIST list;
    ~Deleter() { ::DeleteProcThreadAttributeList(list); }
  } deleter{attributes};
  if (!handles.empty() && !::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                       handles.data(), handles.size() * sizeof(HANDLE), nullptr,
                                                       nullptr)) {
    return false;
  }
  STARTUPINFOEXW extended{};
  extended.StartupInfo = startup;
  extended.StartupInfo.cb = sizeof extended;
  extended.lpAttributeList = attributes;
  std::wstring wide_application = to_wide_string(application);
  std::wstring line = to_wide_string(command_line);
  std::wstring wide_directory = to_wide_string(directory);
  line.push_back(L'\0');  // CreateProcessW may write into the line
  return ::CreateProcessW(application.empty() ? nullptr : wide_application.c_str(), line.data(), nullptr, nullptr,
                          handles.empty() ? FALSE : TRUE, creation_flags | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          directory.empty() ? nullptr : wide_directory.c_str(), &extended.StartupInfo, &info) != 0;
}

}  // namespace platform
