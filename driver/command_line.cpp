#include "driver/command_line.h"

#include <cstdio>


const char kQuaysideUsage[] =
    "usage: quayside [--sporadic] [--verbose] [--config FILE] [--dockerfile FILE] [ARGS...]\n"
    "Runs one volunteer-computing job in a container, in the job's directory.\n"
    "  --config FILE       the job's configuration (default job.toml)\n"
    "  --dockerfile FILE   the image recipe (default Dockerfile)\n"
    "  --verbose           log every engine command and the client's requests\n"
    "  --sporadic          keep the sporadic state files ac and ca\n"
    "  --help, --version   this text, or the version (first argument only)\n"
    "  ARGS                handed to the container in the environment variable ARGS\n"
    "The volunteer's client starts quayside in the job's slot directory, with\n"
    "init_data.xml beside it. Without init_data.xml the job runs standalone: no\n"
    "client, Podman as the engine, the image built at once from the recipe (or\n"
    "image_name of job.toml).\n"
    "Output: everything goes to stderr.txt in the directory; a standalone run\n"
    "started from a terminal shows it there as well. How the job ended is left\n"
    "in corvo_finish_called (the exit status) or corvo_temporary_exit.\n"
    "Exit codes: the container's exit status when it ended (0: success);\n"
    "1 when quayside could not run the job (stderr.txt's last lines say why;\n"
    "with no finish file, the command line or job.toml is wrong); 0 after a\n"
    "temporary exit, a quit, an abort or Ctrl-C (no finish file).\n"
    "job.toml's keys: docs/job-toml.md; writing a job: docs/writing-a-job.md.\n";

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
      if (argument == "--config") job.config_file_named = true;
    } else {
      job.job_args.push_back(argument);
    }
  }
  return 0;
}
