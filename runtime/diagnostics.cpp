#include "runtime/diagnostics.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/file_util.h"
#include "lib/result_codes.h"
#include "lib/xml_scan.h"
#include "platform/client_install.h"
#include "platform/crash_report.h"
#include "platform/environment.h"
#include "platform/streams.h"

namespace {

std::string limited(const std::string& text, std::size_t count) { return text.substr(0, count); }

}  // namespace

int DIAGNOSTICS::setup(int flags_word, const char* out_base, const char* err_base) {
  if (set_up) return RC_INVALID_PARAMETER;
  set_up = true;
  flags = flags_word;
  stdout_txt.clear();
  stdout_old.clear();
  stderr_txt.clear();
  stderr_old.clear();
  corvo_dir.clear();
  install_dir.clear();
  proxy.clear();
  symstore.clear();
  use_proxy = false;
  if ((has_flag(DIAG_STDERR_APPEND) && has_flag(DIAG_STDERR_TRUNCATE)) ||
      (has_flag(DIAG_STDOUT_APPEND) && has_flag(DIAG_STDOUT_TRUNCATE))) {
    return RC_INVALID_PARAMETER;
  }

  if (has_flag(DIAG_USER_LOG_DIR)) {
    std::string appdata;
    platform::environment_value("APPDATA", appdata);
    std::string dir = limited(appdata, 4095) + "/CORVO";
    if (!path_is_directory(dir)) make_directory(dir);
    std::string prefix = limited(dir, 2048) + "/";
    stdout_txt = prefix + limited(out_base, 256) + ".txt";
    stdout_old = prefix + limited(out_base, 256) + ".old";
    stderr_txt = prefix + limited(err_base, 256) + ".txt";
    stderr_old = prefix + limited(err_base, 256) + ".old";
  } else {
    stdout_txt = std::string(out_base) + ".txt";
    stdout_old = std::string(out_base) + ".old";
    stderr_txt = std::string(err_base) + ".txt";
    stderr_old = std::string(err_base) + ".old";
  }

  if (has_flag(DIAG_KEEP_OLD_STDERR)) copy_file_over(stderr_txt, stderr_old);
  if (has_flag(DIAG_KEEP_OLD_STDOUT)) copy_file_over(stdout_txt, stdout_old);
  using platform::StandardStream;
  if (has_flag(DIAG_STDERR_APPEND) && !platform::redirect_stream(StandardStream::error, stderr_txt, true)) {
    return RC_FOPEN_FAILED;
  }
  if (has_flag(DIAG_STDERR_TRUNCATE) && !platform::redirect_stream(StandardStream::error, stderr_txt, false)) {
    return RC_FOPEN_FAILED;
  }
  if (has_flag(DIAG_STDOUT_APPEND) && !platform::redirect_stream(StandardStream::output, stdout_txt, true)) {
    return RC_FOPEN_FAILED;
  }
  if (has_flag(DIAG_STDOUT_TRUNCATE) && !platform::redirect_stream(StandardStream::output, stdout_txt, false)) {
    return RC_FOPEN_FAILED;
  }

  platform::install_crash_handlers();
  if (has_flag(DIAG_CLIENT_JOB)) read_client_settings();
  return RC_SUCCESS;
}

void DIAGNOSTICS::read_client_settings() {
  std::FILE* file = std::fopen("init_data.xml", "r");
  if (file != nullptr) {
    char line[256];
    char host[256] = "";
    int port = 0;
    char value[4096];
    while (std::fgets(line, sizeof line, file) != nullptr && std::strstr(line, "</app_init_data>") == nullptr) {
      if (std::strstr(line, "<corvo_dir>") != nullptr) {
        if (find_text_in_text(line, "<corvo_dir>", value, 4096)) corvo_dir = value;
      } else if (std::strstr(line, "<symstore>") != nullptr) {
        if (find_text_in_text(line, "<symstore>", value, 256)) symstore = value;
      } else if (std::strstr(line, "<use_http_proxy/>") != nullptr) {
        use_proxy = true;
      } else if (std::strstr(line, "<http_server_name>") != nullptr) {
        find_text_in_text(line, "<http_server_name>", host, sizeof host);
      } else if (const char* found = std::strstr(line, "<http_server_port>")) {
        errno = 0;
        long number = std::strtol(found + std::strlen("<http_server_port>"), nullptr, 0);
        if (errno != ERANGE && number >= INT_MIN && number <= INT_MAX) port = static_cast<int>(number);
      }
    }
    std::fclose(file);
    if (use_proxy) proxy = limited(std::string(host) + ":" + std::to_string(port), 255);
  }
  install_dir = limited(platform::client_install_dir(), 4095);
}

void DIAGNOSTICS::finish() { set_up = false; }

DIAGNOSTICS& diagnostics() {
  static DIAGNOSTICS facility;
  return facility;
}

int setup_diagnostics(int flags, const char* out_base, const char* err_base) {
  return diagnostics().setup(flags, out_base, err_base);
}

void finish_diagnostics() { diagnostics().finish(); }
