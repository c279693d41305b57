#include "lib/version.h"

#include <cstdio>

namespace {

#ifndef QUAYSIDE_COMMIT
#define QUAYSIDE_COMMIT "unknown"
#endif
// The commit the program was built from, set by the build.
constexpr const char* kBuiltFrom = QUAYSIDE_COMMIT;

}  // namespace

bool answer_help_or_version(const std::vector<std::string>& arguments, const char* program, const char* usage) {
  if (arguments.empty()) return false;
  if (arguments[0] == "--help") {
    std::fputs(usage, stdout);
    return true;
  }
  if (arguments[0] == "--version") {
    std::printf("%s %d (commit %s)\n", program, kQuaysideVersion, kBuiltFrom);
    return true;
  }
  return false;
}
