// A small file read or written in place at offset 0, with its modification
// time: the sporadic state files shared with the client.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

class SlotFile {
 public:
  virtual ~SlotFile() = default;

  // Opens the file for reading or for writing, creating it when missing with
  // read and write permission for everybody. Never through a link: what
  // stands there and is not a plain file (a link, a FIFO, a device; for
  // writing also a file with a second name) is removed and made anew, so
  // the container can't point the job's writes elsewhere. Null on failure.
  static std::unique_ptr<SlotFile> open(const std::string& path, bool for_writing);

  // Writes size bytes at offset 0 without truncating. False on failure.
  virtual bool write_at_start(const char* data, std::size_t size) = 0;

  // Reads up to size bytes from offset 0. Returns the count, or -1.
  virtual long read_at_start(char* data, std::size_t size) = 0;

  // The modification time in the system's units; false when unreadable.
  virtual bool modification_time(long long& time) = 0;
};

}  // namespace platform
