#include "tools/corvo_sim/sim_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

const char kSimUsage[] =
    "usage: corvo-sim [options] JOB_DIR [-- ARGS...]\n"
    "Runs quayside on the job in JOB_DIR as the volunteer's client would.\n"
    "  --slot DIR             slot directory (default: a new temporary one)\n"
    "  --ncpus N              CPUs the job may use (default 1)\n"
    "  --wu-cpu-time S        CPU time of earlier runs (default 0)\n"
    "  --fraction-done-start F, --fraction-done-end F   the job's share of progress\n"
    "  --wu NAME              work unit name (result NAME_0; default from JOB_DIR)\n"
    "  --project-dir DIR      the project directory the init data names\n"
    "  --client-pid           give quayside this process's id to watch\n"
    "  --engine podman|docker the engine of the runner distro (default podman)\n"
    "  --wslc                 ask for the WSL containers tool instead\n"
    "  --quayside PATH        the program to run (default: beside corvo-sim)\n"
    "  --no-heartbeat         send no heartbeat\n"
    "  --network-suspended    say that network use is suspended\n"
    "  --suspend-at S, --resume-at S, --quit-at S, --abort-at S\n"
    "                         send that request S seconds after start (repeatable)\n"
    "  --control-file FILE    send each line added to FILE as a request, as it comes:\n"
    "                         suspend, resume, quit or abort (or <suspend/>, ...);\n"
    "                         blank lines are passed over, anything else refused\n"
    "  --json                 one JSON object per event instead of a live line\n"
    "  --show-log             print the slot's stderr.txt at the end\n"
    "  --timeout S            kill quayside and fail after S seconds\n"
    "  --help, --version      this text, or the version\n";

std::string request_message(const std::string& line) {
  std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  std::string word = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
  for (const char* request : {"suspend", "resume", "quit", "abort"}) {
    std::string message = std::string("<") + request + "/>";
    if (word == request || word == message) return message;
  }
  return {};
}

namespace {

bool read_number(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && value >= 0;
}

}  // namespace

std::optional<SimOptions> read_sim_options(const std::vector<std::string>& arguments) {
  SimOptions options;
  const std::pair<const char*, const char*> requests[] = {
      {"--suspend-at", "<suspend/>"}, {"--resume-at", "<resume/>"}, {"--quit-at", "<quit/>"}, {"--abort-at", "<abort/>"}};
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= arguments.size()) {
        std::fprintf(stderr, "corvo-sim: %s needs a value\n", a.c_str());
        return nullptr;
      }
      return &arguments[++i];
    };
    auto number = [&](double& field) {
      const std::string* text = value();
      if (text == nullptr) return false;
      if (!read_number(*text, field)) {
        std::fprintf(stderr, "corvo-sim: %s wants a number, not %s\n", a.c_str(), text->c_str());
        return false;
      }
      return true;
    };
    auto text = [&](std::string& field) {
      const std::string* given = value();
      if (given != nullptr) field = *given;
      return given != nullptr;
    };
    bool ok = true;
    if (a == "--") {
      options.job_args.assign(arguments.begin() + static_cast<long>(i) + 1, arguments.end());
      break;
    } else if (a == "--slot") {
      ok = text(options.slot);
    } else if (a == "--ncpus") {
      ok = number(options.ncpus);
    } else if (a == "--wu-cpu-time") {
      ok = number(options.wu_cpu_time);
    } else if (a == "--fraction-done-start") {
      ok = number(options.fraction_done_start);
    } else if (a == "--fraction-done-end") {
      ok = number(options.fraction_done_end);
    } else if (a == "--wu") {
      ok = text(options.wu_name);
    } else if (a == "--project-dir") {
      ok = text(options.project_dir);
    } else if (a == "--client-pid") {
      options.client_pid = true;
    } else if (a == "--engine") {
      ok = text(options.engine);
      if (ok && options.engine != "podman" && options.engine != "docker") {
        std::fprintf(stderr, "corvo-sim: --engine is podman or docker\n");
        ok = false;
      }
    } else if (a == "--wslc") {
      options.wslc = true;
    } else if (a == "--quayside") {
      ok = text(options.quayside);
    } else if (a == "--no-heartbeat") {
      options.heartbeat = false;
    } else if (a == "--network-suspended") {
      options.network_suspended = true;
    } else if (a == "--control-file") {
      ok = text(options.control_file);
    } else if (a == "--json") {
      options.json = true;
    } else if (a == "--show-log") {
      options.show_log = true;
    } else if (a == "--timeout") {
      ok = number(options.timeout);
    } else if (auto request = std::find_if(std::begin(requests), std::end(requests),
                                           [&](const auto& r) { return a == r.first; });
               request != std::end(requests)) {
      double at = 0;
      ok = number(at);
      if (ok) options.control_at.emplace_back(at, request->second);
    } else if (a.rfind("--", 0) == 0 || !options.job_dir.empty()) {
      std::fprintf(stderr, "corvo-sim: unexpected argument %s\n", a.c_str());
      ok = false;
    } else {
      options.job_dir = a;
    }
    if (!ok) return std::nullopt;
  }
  if (options.job_dir.empty()) {
    std::fputs(kSimUsage, stderr);
    return std::nullopt;
  }
  std::stable_sort(options.control_at.begin(), options.control_at.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return options;
}
