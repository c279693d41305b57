#include "driver/command_line.h"

#include <cstdio>

int read_command_line(const std::vector<std::string>& arguments, JOB& job) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--sporadic") {
      job.sporadic = true;
    } else if (argument == "--verbose") {
      job.config.verbose = 2;
    } else if (argument == "--config" || argument == "--dockerfile") {
      if (i + 1 == arguments.size()) {
        std::fprintf(stderr, "missing value for %s\n", argument.c_str());
        return 1;
      }
      (argument == "--config" ? job.config_file : job.recipe_file) = arguments[++i];
    } else {
      job.job_args.push_back(argument);
    }
  }
  return 0;
}
