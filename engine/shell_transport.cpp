#include "engine/shell_transport.h"

#include <algorithm>
#include <cstdio>

#include "engine/engine_reply.h"
#include "lib/result_codes.h"
#include "platform/files.h"
#include "platform/program_run.h"
#include "platform/temporary_name.h"

int ShellTransport::start() {
  if (engine_ == ENGINE_PODMAN) return shell.setup_podman(distro_);
  std::string error_text;  // not printed: the caller reports the result
  if (shell.prepare_pipes(error_text) != 0) return -1;
  return shell.launch(distro_.distro_name, kEngineShell, true);
}

int ShellTransport::run(const char* name, const EngineCommand& command, const ReplyLimits& limits,
                        const OutputSink& sink, int& exit_status) {
  // Without a shell (set-up failed) the engine can't be reached; say so as
  // a dead shell would.
  if (shell.shell == nullptr) {
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(RC_CONNECT_FAILED));
    return RC_CONNECT_FAILED;
  }
  // The engine's program by the path found once: a bare name would be
  // looked up through PATH, whose relative entries lead into the slot.
  if (!program_known_) {
    program_ = platform::engine_program_for_shell(name);
    program_known_ = true;
  }
  if (program_.empty()) {
    // As the shell would answer for a program it can't find.
    std::string answer = std::string(name) + ": not found in the absolute directories of PATH\n";
    sink(answer);
    exit_status = 127;
    return 0;
  }
  return run_line(posix_word(program_) + " " + render_posix(command) + " 2>&1", limits, sink, exit_status);
}

int ShellTransport::run_line(const std::string& line, const ReplyLimits& limits, const OutputSink& sink,
                             int& exit_status) {
  // The whole line is written, however long, so its marker always comes.
  std::string marker = markers_.next();
  shell.shell->write_text(line + "; echo " + marker + " $?\n");
  int result = read_until(*shell.shell, limits,
                          [&](std::string_view bytes) { return markers_.take(bytes, sink, exit_status); }, clock_);
  if (result != 0) {
    std::fprintf(stderr, "read_from_pipe() error: %s\n", result_text(result));
    if (channel_lost(result) || result == RC_RESULT_ABORTED_BY_USER) {
      // The shell is gone, or may still be inside that command: nothing
      // more can be said through it. A fresh one serves the next command.
      shell.shell->kill();
      shell.shell.reset();
      std::fputs(start() == 0 ? "engine shell restarted\n" : "engine shell can't be restarted\n", stderr);
    }
  }
  return result;
}

bool ShellTransport::works_in_slot(const ReplyLimits& limits) {
  if (shell.shell == nullptr) return true;
  // A file of a fresh name, made here and looked for by the shell.
  std::string name = platform::temporary_name("quayside_slot_check");
  int error = 0;
  if (!platform::replace_file_with(name, "", error)) {
    std::fprintf(stderr, "the slot can't be checked: %s can't be made (error %d)\n", name.c_str(), error);
    return true;
  }
  int exit_status = -1;
  int result = run_line("test -f " + posix_word(name), limits, [](std::string_view) {}, exit_status);
  platform::delete_file(name, error);
  // A shell that can't answer is the engine's failure, met by the commands
  // that follow; only a shell that answers tells where it is.
  return result != 0 || exit_status == 0;
}

bool ShellTransport::read_files(const std::vector<std::string>& paths, const ReplyLimits& limits,
                                std::vector<FileLines>& files) {
  if (shell.shell == nullptr || paths.empty()) return false;
  // A NUL can't be handed to the shell: it would cut the line.
  for (const auto& path : paths) {
    if (path.find('\0') != std::string::npos) return false;
  }
  // Every line of file I comes back as "I:LINE", a file that can't be read
  // as "I!". Only a regular file is opened (a FIFO would block the shell),
  // and the test before the redirection keeps a missing file from being an
  // error of the shell; its messages are not wanted either.
  std::string line;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::string path = posix_word(paths[i]);
    std::string index = std::to_string(i);
    if (i != 0) line += "; ";
    line += "if [ -f " + path + " ] && [ -r " + path + " ]; then while IFS= read -r l || [ -n \"$l\" ]; do printf '%s\\n' \"" + index +
            ":$l\"; done 2>/dev/null < " + path + " || printf '" + index + "!\\n'; else printf '" + index +
            "!\\n'; fi";
  }
  std::string reply;
  int exit_status = 0;
  // Counter files are small: more than this is not what was asked for.
  constexpr std::size_t kReplyLimit = 256 * 1024;
  int result = run_line(
      line, limits,
      [&](std::string_view bytes) { reply.append(bytes.substr(0, kReplyLimit - std::min(kReplyLimit, reply.size()))); },
      exit_status);
  if (result != 0 || reply.size() >= kReplyLimit) return false;
  files.assign(paths.size(), FileLines{});
  std::vector<bool> missing(paths.size(), false);
  std::size_t start = 0;
  while (start < reply.size()) {
    std::size_t end = reply.find('\n', start);
    if (end == std::string::npos) end = reply.size();
    std::string_view text(reply.data() + start, end - start);
    start = end + 1;
    std::size_t mark = text.find_first_of(":!");
    if (mark == std::string_view::npos || mark == 0) continue;
    std::size_t index = 0;
    for (char c : text.substr(0, mark)) index = c >= '0' && c <= '9' ? index * 10 + (c - '0') : paths.size();
    if (index >= paths.size()) continue;
    if (text[mark] == '!') {
      missing[index] = true;
    } else {
      files[index].lines.emplace_back(text.substr(mark + 1));
    }
  }
  // A file read whole but empty printed nothing, and is there.
  for (std::size_t i = 0; i < paths.size(); ++i) files[i].found = !missing[i];
  return true;
}
