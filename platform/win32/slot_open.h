// Opening a file of the slot directory, which the job's container shares:
// whatever stands there may be the container's (a symbolic link, a junction
// or another reparse point, a second name of a file elsewhere). Nothing
// here follows a reparse point. Any thread may call these.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"

namespace platform {

struct SlotOpen {
  DWORD access = GENERIC_READ;  // GENERIC_READ or GENERIC_WRITE (with FILE_APPEND_DATA for appending)
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  bool truncate = false;        // empty the file once opened
  bool owned = false;           // quayside's own file: what is not a plain file is removed and made anew
  bool sole_name = false;       // a file written through must have no other name (link count 1)
};

// Opens path as asked. A plain file is used as it is; a missing one is
// created when owned. Anything else (a reparse point, a directory, a device,
// a written file with another name) is removed and replaced by a new empty
// file when owned, and refused with ERROR_CANT_ACCESS_FILE otherwise.
// Returns an invalid handle with the system's error number on failure. The
// handle is not inherited by child processes.
unique_handle open_slot_entry(const std::string& path, const SlotOpen& how, DWORD& error);

// Removes what stands at path without following it; an empty directory too.
// True when nothing stands there now.
bool remove_slot_entry(const std::string& path);

}  // namespace platform
