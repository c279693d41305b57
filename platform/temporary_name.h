// Names for files written beside the one they replace. Any thread.
#pragma once

#include <string>

namespace platform {

// A name beside destination that no other writer uses:
// "DESTINATION.tmp.PID.COUNT.RANDOM". Whoever creates it still asks the
// system to refuse a name that is taken.
std::string temporary_name(const std::string& destination);

}  // namespace platform
