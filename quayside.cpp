// quayside: runs one volunteer-computing job inside a container.
#include <string>
#include <vector>

#include "driver/job_lifecycle.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  return run_quayside(platform::program_arguments(argc, argv));
}
