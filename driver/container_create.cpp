#include "driver/container_create.h"

#include <cstdio>

// Stand-in until image management and creation are built.
int create_container(JOB&) {
  std::fputs("create_container: not available in this build\n", stderr);
  return -1;
}
