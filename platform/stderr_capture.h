// For tests: standard error sent into a file for a while, so that what the
// code under test prints can be compared.
#pragma once

#include <string>

namespace platform {

// Sends standard error into a new file until restore_standard_error, for
// tests that compare what the code under test prints. Returns a token for
// the restore.
int capture_standard_error(const std::string& path);
void restore_standard_error(int token);

}  // namespace platform
