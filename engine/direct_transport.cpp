#include "engine/direct_transport.h"

#include <cstdio>
#include <string>
#include <vector>

#include "lib/clock.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
#include "platform/files.h"
#include "platform/program_run.h"

int DirectTransport::run(const char* name, const EngineCommand& command, const ReplyLimits& limits,
                         const OutputSink& sink, int& exit_status) {
  std::vector<std::string> argv{name};
  // The tool is started without a shell, in the slot: the slot's part of a
  // word is its full path, as nothing shows that the tool takes a relative
  // mount source.
  for (auto& word : command.arguments([](const std::string& below) { return platform::full_path("." + below); }))
    argv.push_back(std::move(word));
  std::string path = platform::find_on_path(name);
  double start = clock_.steady();
  double last_byte = start;
  int given_up = 0;
  auto counting_sink = [&](std::string_view bytes) {
    last_byte = clock_.steady();
    sink(bytes);
  };
  auto stop = [&] {
    given_up = reply_limit_reached(limits, start, last_byte, clock_.steady());
    return given_up != 0;
  };
  if (path.empty()) {
    std::fprintf(stderr, "command failed: %s is not in the absolute directories of PATH\n", name);
    return -1;
  }
  // A start that fails is tried again a few times within about 1.5 s: the
  // system may lack a resource for a moment.
  constexpr int kStartAttempts = 4;
  for (int attempt = 1;; ++attempt) {
    int error = 0;
    if (platform::run_program(path, argv, counting_sink, exit_status, stop, &error)) break;
    char text[256];
    std::fprintf(stderr, "command failed: can't start %s (attempt %d of %d): error %d: %s\n", path.c_str(), attempt,
                 kStartAttempts, error, system_error_text(error, text, sizeof text));
    // A tool that can't be started is an engine out of reach, as a shell
    // that can't be started is: the job waits for it.
    if (attempt == kStartAttempts || stop()) return RC_CONNECT_FAILED;
    clock_.pause(0.25 * attempt);
  }
  if (given_up != 0) {
    std::fprintf(stderr, "command given up: %s\n",
                 given_up == RC_TIMED_OUT ? "no end within the time allowed" : "a request of the client came");
    return given_up;
  }
  return 0;
}
