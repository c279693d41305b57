// The client's named shared-memory block. The job only opens a block the
// client made; it never creates one. Once attached, the block stays mapped
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

}  // namespace platform
