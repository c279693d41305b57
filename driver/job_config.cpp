#include "driver/job_config.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "driver/engine_policy.h"
#include "driver/shell_words.h"
#include "lib/file_util.h"
#include "platform/files.h"
#include "toml/reader.h"

namespace {

// The keys of job.toml. A key not among them is named, with the ones it may
// have meant, and passed over: a newer job.toml still runs here.
const char* const kKnownKeys[] = {"workdir",     "project_dir_mount", "image_name", "use_gpu",
                                  "web_graphics_guest_port", "mount", "portmap",    "build_args",
                                  "create_args", "verbose",           "log_max_bytes"};

// "FILE:LINE: " for a key of the document, for messages.
std::string place(const std::string& file, const ParseOutcome& document, const std::string& key) {
  auto line = document.top_lines.find(key);
  return file + ":" + (line == document.top_lines.end() ? std::string("?") : std::to_string(line->second)) + ": ";
}

// The edit distance of a and b, transpositions counting as one edit.
std::size_t edit_distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// The known keys closest to key, as "a" or "a" or "b"; empty when none is
// close. Case and '-' for '_' don't count.
std::string suggestions(const std::string& key) {
  std::string plain;
  for (char c : key) plain += c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t best = 3;
  std::vector<std::string> found;
  for (const char* known : kKnownKeys) {
    // Lengths further apart than the distance allowed need no table (a key
    // may be as long as the file).
    std::size_t length = std::strlen(known);
    if (plain.size() > length + best || length > plain.size() + best) continue;
    std::size_t distance = edit_distance(plain, known);
    if (distance > best) continue;
    if (distance < best) found.clear();
    best = distance;
    found.emplace_back(known);
  }
  std::string text;
  for (std::size_t i = 0; i < found.size(); ++i) text += (i == 0 ? "\"" : " or \"") + found[i] + "\"";
  return text;
}

// How a value reads in a message: the string "yes", the integer 3, true.
std::string described(const Value& value) {
  switch (value.kind()) {
    case V_BOOL: return value.get_bool() ? "true" : "false";
    case V_INT: return "the integer " + std::to_string(value.get_int64());
    case V_DOUBLE: {
      char text[64];
      std::snprintf(text, sizeof text, "%g", value.get_double());
      return std::string("the number ") + text;
    }
    case V_STRING: return "the string \"" + value.get_string() + "\"";
    case V_TIME: return "a date";
    case V_ARRAY: return "an array";
    case V_TABLE: return "a table";
    default: return "nothing";
  }
}

// Reads the keys of the document into config; the first value of the wrong
// type or out of range is named in error, with the file, the line and the
// key, and what was expected.
class KeyReader {
 public:
  KeyReader(const std::string& file, const ParseOutcome& document, JOB_CONFIG& config)
      : file_(file), document_(document), config_(config) {}

  bool read() {
    const Value& root = document_.root;
    text("workdir", config_.workdir);
    text("project_dir_mount", config_.project_dir_mount);
    text("image_name", config_.image_name);
    if (const Value* v = found("use_gpu", V_BOOL, "true or false")) config_.use_gpu = v->get_bool();
    number("web_graphics_guest_port", 0, 65535, "a port number from 1 to 65535 (0: none)",
           config_.web_graphics_guest_port);
    list("mount", config_.mount, "[\"/host/dir:/dir\"]");
    list("portmap", config_.portmap, "[\"8080:80\"]");
    text("build_args", config_.build_args);
    text("create_args", config_.create_args);
    number("verbose", 0, 2147483647, "a whole number: 0 quiet, 1 normal, 2 detailed", config_.verbose);
    std::int64_t cap = config_.log_max_bytes;
    if (const Value* v = found("log_max_bytes", V_INT, "a number of bytes (0: no limit)")) {
      if (v->get_int64() < 0) return wrong("log_max_bytes", "a number of bytes (0: no limit)", *v);
      cap = v->get_int64();
    }
    config_.log_max_bytes = cap;
    // In the file's order.
    std::vector<std::pair<int, std::string>> unknown;
    for (const auto& [key, value] : root.get_table()) {
      bool known = false;
      for (const char* k : kKnownKeys) known = known || key == k;
      auto line = document_.top_lines.find(key);
      if (!known) unknown.emplace_back(line == document_.top_lines.end() ? 0 : line->second, key);
    }
    std::sort(unknown.begin(), unknown.end());
    for (const auto& [line, key] : unknown) {
      const Value& value = *root.lookup("\"" + key + "\"");
      std::string near = suggestions(key);
      std::string what = value.kind() == V_TABLE ? "unknown table [" + key + "]" : "unknown key \"" + key + "\"";
      std::fprintf(stderr, "%s%s is ignored%s\n", place(file_, document_, key).c_str(), what.c_str(),
                   near.empty() ? "" : ("; did you mean " + near + "?").c_str());
      if (value.kind() == V_TABLE) {
        std::fputs("   job.toml has no tables: its keys stand at the top of the file\n", stderr);
      }
    }
    return error_.empty();
  }

  const std::string& error() const { return error_; }

 private:
  bool wrong(const char* key, const std::string& expected, const Value& value) {
    if (error_.empty()) error_ = place(file_, document_, key) + key + ": expected " + expected + ", found " + described(value);
    return false;
  }

  // The value of key when it has the kind; null when absent or (after the
  // error) of another kind.
  const Value* found(const char* key, ValueKind kind, const std::string& expected) {
    const Value* v = document_.root.lookup(key);
    if (v == nullptr) return nullptr;
    if (v->kind() != kind) {
      wrong(key, expected, *v);
      return nullptr;
    }
    return v;
  }

  void text(const char* key, std::string& field) {
    if (const Value* v = found(key, V_STRING, "a string in quotes")) field = v->get_string();
  }

  void number(const char* key, std::int64_t low, std::int64_t high, const std::string& expected, int& field) {
    const Value* v = found(key, V_INT, expected);
    if (v == nullptr) return;
    if (v->get_int64() < low || v->get_int64() > high) {
      wrong(key, expected, *v);
      return;
    }
    field = static_cast<int>(v->get_int64());
  }

  void list(const char* key, std::vector<std::string>& field, const char* example) {
    const std::string expected = std::string("an array of strings, like ") + example;
    const Value* v = found(key, V_ARRAY, expected);
    if (v == nullptr) return;
    for (const Value& element : v->get_array()) {
      if (element.kind() != V_STRING) {
        wrong(key, expected, element);
        return;
      }
      field.push_back(element.get_string());
    }
  }

  const std::string& file_;
  const ParseOutcome& document_;
  JOB_CONFIG& config_;
  std::string error_;
};

// The text with every NUL byte shown as \0, for messages.
std::string visible(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\0' ? std::string("\\0") : std::string(1, c);
  return out;
}

int refuse(const std::string& where, const char* key, const std::string& text, const std::string& problem = "") {
  std::fprintf(stderr, "%sbad %s: %s\n", where.c_str(), key, visible(text).c_str());
  if (!problem.empty()) std::fprintf(stderr, "   %s\n", problem.c_str());
  return 1;
}

// Whether a mount's source is a path the engine binds: absolute (also with
// a Windows drive letter), or beginning with '.' for one in the job's
// directory. Any other word names a volume the engine would make empty.
bool source_is_path(const std::string& source) {
  if (!source.empty() && (source[0] == '/' || source[0] == '.' || source[0] == '\\')) return true;
  return source.size() >= 3 && std::isalpha(static_cast<unsigned char>(source[0])) && source[1] == ':' &&
         (source[2] == '\\' || source[2] == '/');
}

// Every value reaches the engine as process arguments: none may hold a NUL
// byte, and the free-form options must split into plain words.
int check_values(JOB_CONFIG& config, const std::string& file, const ParseOutcome& document) {
  auto at = [&](const char* key) { return place(file, document, key); };
  struct {
    const char* key;
    const std::string& text;
  } texts[] = {{"workdir", config.workdir}, {"project_dir_mount", config.project_dir_mount},
               {"image_name", config.image_name}};
  for (const auto& t : texts) {
    if (t.text.find('\0') != std::string::npos) return refuse(at(t.key), t.key, t.text, "NUL byte");
  }
  for (const auto& m : config.mount) {
    if (m.find('\0') != std::string::npos) return refuse(at("mount"), "mount", m, "NUL byte");
    std::string source = mount_volume_source(m);
    if (source.size() == m.size()) {
      return refuse(at("mount"), "mount", m, "expected SOURCE:TARGET or SOURCE:TARGET:OPTIONS, as \"/data:/data:ro\"");
    }
    if (!source_is_path(source)) {
      return refuse(at("mount"), "mount", m,
                    "the source \"" + source + "\" is not a path: the engine would make an empty volume of that "
                    "name. Give an absolute path, or one beginning with ./ for a directory in the job's directory");
    }
  }
  for (const auto& p : config.portmap) {
    if (p.find('\0') != std::string::npos) return refuse(at("portmap"), "portmap", p, "NUL byte");
  }
  std::string problem;
  if (!split_option_words(config.build_args, config.build_arg_words, problem)) {
    return refuse(at("build_args"), "build_args", config.build_args, problem);
  }
  if (!split_option_words(config.create_args, config.create_arg_words, problem)) {
    return refuse(at("create_args"), "create_args", config.create_args, problem);
  }
  return 0;
}

// The reader's syntax error as "FILE:LINE: KEY: reason", with a hint where
// the reason is a bare word (text without quotes, or a number too large).
void report_syntax_error(const std::string& file, const ParseOutcome& outcome) {
  std::string key = outcome.error_key.empty() ? "" : outcome.error_key + ": ";
  std::fprintf(stderr, "%s:%d: %s%s\n", file.c_str(), outcome.error_line, key.c_str(), outcome.error_reason.c_str());
  const std::string& reason = outcome.error_reason;
  if (reason == "Invalid token" || reason.rfind("Unknown ident", 0) == 0) {
    std::fputs("   text values need quotes (workdir = \"/data\"); numbers are whole numbers that fit in 64 bits\n",
               stderr);
  }
}

}  // namespace

namespace {

// The job's configuration is read whole; a real one is a few hundred bytes.
constexpr std::size_t kConfigLimit = 1 << 20;

}  // namespace

int parse_config(const std::string& file_name, JOB_CONFIG& config, bool named) {
  config.workdir = "/app";
  config.use_gpu = false;
  std::string text;
  switch (platform::read_slot_file(file_name, kConfigLimit, text)) {
    case platform::SlotRead::ok:
      break;
    case platform::SlotRead::missing:
      // Only the default file may be absent: one named on the command line
      // is what the job wants.
      if (named) {
        std::fprintf(stderr, "--config %s: no such file\n", file_name.c_str());
        return 1;
      }
      std::fputs("no job.toml config file\n", stderr);
      return 0;
    case platform::SlotRead::not_regular:
      std::fprintf(stderr, "%s is not a regular file (a link, a FIFO or a device); it is not read\n",
                   file_name.c_str());
      return 1;
    case platform::SlotRead::too_large:
      std::fprintf(stderr, "%s is larger than 1 MiB, far above any job's configuration; it is not read\n",
                   file_name.c_str());
      return 1;
    case platform::SlotRead::failed:
      std::fprintf(stderr, "%s can't be read\n", file_name.c_str());
      return 1;
  }
  std::istringstream file(text);
  ParseOutcome outcome = parse_toml(file);
  if (!outcome.valid()) {
    report_syntax_error(file_name, outcome);
    return 1;
  }
  // A key of the wrong type makes the configuration as unusable as a
  // syntax error.
  KeyReader reader(file_name, outcome, config);
  if (!reader.read()) {
    std::fprintf(stderr, "%s\n", reader.error().c_str());
    return 1;
  }
  return check_values(config, file_name, outcome);
}

void print_config(const JOB_CONFIG& config) {
  std::fputs("quayside config:\n", stderr);
  if (!config.workdir.empty()) std::fprintf(stderr, "   workdir: %s\n", config.workdir.c_str());
  if (!config.project_dir_mount.empty()) {
    std::fprintf(stderr, "   project dir mounted at: %s\n", config.project_dir_mount.c_str());
  }
  std::fprintf(stderr, "   use GPU: %s\n", config.use_gpu ? "yes" : "no");
  if (config.web_graphics_guest_port != 0) {
    std::fprintf(stderr, "   Web graphics guest port: %d\n", config.web_graphics_guest_port);
  }
  for (const auto& m : config.mount) std::fprintf(stderr, "   mount: %s\n", m.c_str());
  for (const auto& p : config.portmap) std::fprintf(stderr, "   portmap: %s\n", p.c_str());
  if (!config.build_args.empty()) std::fprintf(stderr, "   build args: %s\n", config.build_args.c_str());
  if (!config.create_args.empty()) std::fprintf(stderr, "   create args: %s\n", config.create_args.c_str());
  std::fprintf(stderr, "   verbose: %d\n", config.verbose);
}
