// Opening a file of the slot directory, which the job's container shares:
// whatever stands there may be the container's (a link, a FIFO, a device, a
// second name of a file elsewhere). Nothing here follows a link or waits on
// a file. Any thread may call these.
#pragma once

#include <functional>
#include <string>

#include "platform/posix/unique_fd.h"

namespace platform {

struct SlotOpen {
  int access = 0;        // O_RDONLY, O_WRONLY or O_RDWR, with O_APPEND or O_TRUNC
  bool owned = false;    // quayside's own file: what is not a plain file is removed and made anew
  bool sole_name = false;  // a file written through must have no other name (link count 1)
};

// Opens path as asked. A plain file is used as it is; a missing one is
// created when owned. Anything else (a link, a FIFO, a device, a directory,
// a written file with another name) is removed and replaced by a new empty
// file when owned, and refused with EINVAL otherwise (ELOOP for a link).
// Returns an invalid descriptor with the system's error number on failure.
// The descriptor is blocking, close-on-exec and never a controlling terminal.
unique_fd open_slot_entry(const std::string& path, const SlotOpen& how, int& error);

// Writes a new file of a fresh name beside destination (write is given its
// descriptor and returns 0 or an error number), flushes it to the disk and
// renames it over destination in one step. A link or a second name
// standing at destination is replaced, never written through; an empty
// directory there is removed. Returns 0 or the error number of the first
// step that failed; the new file is then removed.
int replace_through_temporary(const std::string& destination, const std::function<int(int fd)>& write);

// Removes what stands at path, whatever it is, without following it: an
// empty directory is removed too. True when nothing stands there now.
bool remove_slot_entry(const std::string& path);

}  // namespace platform
