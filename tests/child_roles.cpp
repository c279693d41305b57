// What this test binary does when a test starts it as a child process.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lib/exclusive_file_lock.h"
#include "platform/build_mutex.h"
#include "platform/crash_report.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "platform/piped_process.h"
#include "platform/process.h"
#include "platform/program_run.h"
#include "platform/shared_block.h"
#include "platform/streams.h"
#include "client_runtime_inside.h"
#include "runtime/client_runtime.h"
#include "lib/result_codes.h"
#include "runtime/corvo_api.h"
#include "runtime/diagnostics.h"
#include "test_support.h"

namespace {

bool is(const char* role, const char* name) { return std::strcmp(role, name) == 0; }

}  // namespace

int run_child_role(int argc, char** argv) {
  // "lock PATH": try to take the lock; the exit code is the error number.
  if (argc == 2 && is(argv[0], "lock")) {
    EXCLUSIVE_FILE_LOCK lock;
    return lock.acquire(argv[1]);
  }
  // "diagnostics FLAGS [ERR_BASE]": set up the facility, then write a line
  // to standard error. The exit code is the negated result.
  if ((argc == 2 || argc == 3) && is(argv[0], "diagnostics")) {
    int flags = static_cast<int>(std::strtol(argv[1], nullptr, 0));
    int result = setup_diagnostics(flags, "stdout", argc == 3 ? argv[2] : "stderr");
    std::fputs("before exit\n", stderr);
    return -result;
  }
  // "finish STATUS": start the runtime standalone as the job driver does and
  // finish with STATUS.
  if (argc == 2 && is(argv[0], "finish")) {
    RUNTIME_OPTIONS options;
    options.slot_owner = 1;
    options.watch_client = 1;
    options.obey_control = 1;
    corvo_startup(options);
    corvo_finish(std::atoi(argv[1]));
  }
  // "direct MESSAGE": a runtime in direct-action mode takes the control
  // message and acts on the process itself.
  if (argc == 2 && is(argv[0], "direct")) {
    static SHM_AREA area;
    ClientRuntime& runtime = client_runtime();
    setup_diagnostics(0, "stdout", "stderr");
    inside(runtime).shm = &area;
    inside(runtime).standalone = false;
    inside(runtime).options.obey_control = 1;
    inside(runtime).options.act_directly = 1;
    inside(runtime).main_thread = platform::current_thread();
    channel_send(area.control_in, argv[1]);
    runtime.timer_tick();
    return 77;  // not reached for quit and abort
  }
  // "crash": a fatal signal after the crash handlers are installed.
  if (argc == 1 && is(argv[0], "crash")) {
    platform::install_crash_handlers();
    std::raise(SIGSEGV);
    return 0;
  }
  // "access-violation": a write to an address no process may use, after the
  // crash handlers are installed (not null: some emulators map page 0; read
  // back from a volatile, so the compiler can't put a trap of its own there).
  if (argc == 1 && is(argv[0], "access-violation")) {
    platform::install_crash_handlers();
    std::uintptr_t volatile nowhere = std::uintptr_t{1} << (sizeof(void*) * 8 - 1);
    *reinterpret_cast<int*>(nowhere) = 1;
    return 0;
  }
  // "echo-lines": copies each line of standard input to standard output
  // until the input ends; a long-lived child behind two pipes.
  if (argc == 1 && is(argv[0], "echo-lines")) {
    char line[1024];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
      std::fputs(line, stdout);
      std::fflush(stdout);
    }
    return 0;
  }
  // "block NAME": attaches the named block and answers on its status
  // channel what it found on its control channel.
  if (argc == 2 && is(argv[0], "block")) {
    auto* area = static_cast<SHM_AREA*>(platform::attach_named_block(argv[1], sizeof(SHM_AREA)));
    if (area == nullptr) return 1;
    char text[kChannelSize];
    if (!channel_receive(area->control_in, text)) return 2;
    return channel_send(area->status_out, (std::string("seen ") + text).c_str()) ? 0 : 3;
  }
  // "stderr-child PATH": standard error into PATH as quayside sets it up,
  // a long-lived child started, standard error moved elsewhere; then PATH is
  // deleted. The exit code is the deletion's error: nonzero on Windows
  // when the child holds the file open.
  if (argc == 2 && is(argv[0], "stderr-child")) {
    if (!platform::redirect_stream(platform::StandardStream::error, argv[1], false)) return 254;
    auto child = platform::PipedProcess::start(test_binary_path(), {test_binary_path(), "--child", "echo-lines"});
    if (child == nullptr) return 253;
    if (!platform::redirect_stream(platform::StandardStream::error, std::string(argv[1]) + ".next", false)) return 252;
    int error = 0;
    platform::delete_file(argv[1], error);
    child->kill();
    return error;
  }
  // "hold-mutex NAME": takes the machine-wide mutex and ends without
  // releasing it.
  if (argc == 2 && is(argv[0], "hold-mutex")) {
    auto mutex = platform::MachineMutex::open(argv[1]);
    if (mutex == nullptr || !mutex->wait(10)) return 1;
    std::fflush(nullptr);
    platform::terminate_process_now(0);
  }
  // "await-interrupt FILE": catches interrupts, makes FILE to say so, and
  // waits up to 20 s for one. 0 when one came and only set the flag.
  if (argc == 2 && is(argv[0], "await-interrupt")) {
    platform::catch_interrupts();
    if (std::FILE* ready = std::fopen(argv[1], "w")) std::fclose(ready);
    for (int waited = 0; waited < 400 && !platform::interrupt_requested(); ++waited) platform::sleep_milliseconds(50);
    return platform::interrupt_requested() ? 0 : 1;
  }
  // "run-program-into FILE PATH ARG...": runs the program as engine
  // commands are run, its output appended to FILE as it comes.
  if (argc >= 4 && is(argv[0], "run-program-into")) {
    std::string into = argv[1];
    std::vector<std::string> program_argv(argv + 3, argv + argc);
    int status = 0;
    platform::run_program(argv[2], program_argv, [&](std::string_view bytes) {
      if (std::FILE* file = std::fopen(into.c_str(), "ab")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
      }
    }, status);
    return status;
  }
  std::fprintf(stderr, "unknown child role\n");
  return 255;
}
