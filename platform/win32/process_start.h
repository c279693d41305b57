// Starting a child process that inherits exactly the handles it is given,
// and nothing else this process has open, whoever made it inheritable.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace platform {

// Starts application (a full path, nothing searched; when empty, the
// command line's first word is looked up as the system does) with the UTF-8
// command line, in directory when one is given. startup's standard handles, when STARTF_USESTDHANDLES is
// set, must be among inherit. creation_flags are passed on. Returns false
// with GetLastError() set; on success info holds both handles, which the
// caller closes.
bool start_process(const std::string& application, const std::string& command_line, STARTUPINFOW startup,
                   std::initializer_list<HANDLE> inherit, DWORD creation_flags, PROCESS_INFORMATION& info,
                   const std::string& directory = {});

}  // namespace platform
