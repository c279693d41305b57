// Named shared-memory blocks: the client's, which the job only opens, and
// the one the client simulator makes for it. An attached block stays mapped
// until the process ends.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Opens the block named name (on Windows the machine-wide "Global\" name
// first, then the plain one) and maps size bytes of it for reading and
// writing. Returns the address, or null when it can't be opened or mapped
// or is smaller than size.
void* attach_named_block(const std::string& name, std::size_t size);

// Creates the named shared-memory block (removing a stale one of the same
// name first) and maps size bytes of it, zeroed. Null on failure.
void* create_named_block(const std::string& name, std::size_t size);

// Removes the name of a block made by create_named_block.
void remove_named_block(const std::string& name);

}  // namespace platform
