// quayside: runs one volunteer-computing job inside a container.
#include <string>
#include <vector>

#include "driver/job_lifecycle.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return run_quayside(arguments);
}
