// What this test binary does when a test starts it as a child process.
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/exclusive_file_lock.h"

int run_child_role(int argc, char** argv) {
  // "lock PATH": try to take the lock; the exit code is the error number.
  if (argc == 2 && std::strcmp(argv[0], "lock") == 0) {
    EXCLUSIVE_FILE_LOCK lock;
    return lock.acquire(argv[1]);
  }
  std::fprintf(stderr, "unknown child role\n");
  return 255;
}
