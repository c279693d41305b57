#include "driver/engine_policy.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/files.h"
#include "toml/reader.h"

namespace {

constexpr std::size_t kSettingsLimit = 64 * 1024;

// A path made plain: "." and empty parts dropped, ".." taken back, no
// trailing '/'. Only absolute paths ("/" alone for the root) are judged.
std::string plain_path(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string plain;
  for (const auto& part : parts) plain += "/" + part;
  return plain.empty() ? "/" : plain;
}

// Whether path is base or lies below it.
bool within(const std::string& path, const std::string& base) {
  if (base == "/") return true;
  return path == base || (path.size() > base.size() && path.compare(0, base.size(), base) == 0 &&
                          path[base.size()] == '/');
}

// Why mounting source would hand the container the machine; empty when it
// would not. A source beginning with '.' is a path relative to the slot,
// where the engine shell runs: one that leaves the slot is judged where it
// leads. Other relative sources name the engine's volumes.
std::string system_source(const std::string& source, const std::string& client_dir, const std::string& slot_dir) {
  if (source.empty()) return {};
  if (source[0] == '.' && !slot_dir.empty() && slot_dir[0] == '/') {
    std::string path = plain_path(slot_dir + "/" + source);
    if (within(path, plain_path(slot_dir))) return {};
    std::string why = system_source(path, client_dir, "");
    return why.empty() ? "a directory outside the slot (" + path + ")" : why;
  }
  if (source[0] != '/') return {};
  std::string path = plain_path(source);
  if (path == "/") return "the whole file system";
  static const char* const kSystem[] = {"/etc", "/usr", "/bin", "/sbin", "/boot", "/root",
                                        "/home", "/var/run", "/run", "/proc", "/sys", "/dev"};
  for (const char* dir : kSystem) {
    if (within(path, dir)) return std::string("a system directory (") + dir + ")";
  }
  // /lib, /lib64, /libx32, ...
  std::string top = path.substr(1, path.find('/', 1) - 1);
  if (top.rfind("lib", 0) == 0) return "a system directory (/" + top + ")";
  std::size_t last = path.rfind('/');
  std::string name = path.substr(last + 1);
  if (name.size() > 5 && name.compare(name.size() - 5, 5, ".sock") == 0) return "an engine's socket";
  if (!client_dir.empty() && client_dir[0] == '/') {
    std::string client = plain_path(client_dir);
    if (within(path, client) || within(client, path)) return "the client's data directory";
  }
  return {};
}


// The source of a "--mount type=bind,source=PATH,..." value.
std::string mount_source(const std::string& value) {
  std::stringstream fields(value);
  std::string field;
  while (std::getline(fields, field, ',')) {
    for (const char* key : {"source=", "src="}) {
      if (field.rfind(key, 0) == 0) return field.substr(std::string(key).size());
    }
  }
  return {};
}

std::string refusal(const char* key, const std::string& what, const std::string& why, const char* setting,
                    const ENGINE_POLICY& policy) {
  std::string where = policy.settings_file.empty() ? std::string("quayside.toml in the client's data directory")
                                                   : policy.settings_file;
  return std::string(key) + ": " + what + " is refused: " + why + ". The volunteer can allow it with " + setting +
         " = true in " + where;
}

// The option's name and its value, whether written "--opt=value" or as
// "--opt value" (then taken from next).
bool option_value(const std::vector<std::string>& words, std::size_t& i, const std::string& name,
                  std::string& value) {
  const std::string& word = words[i];
  if (word == name) {
    value = i + 1 < words.size() ? words[++i] : "";
    return true;
  }
  if (word.rfind(name + "=", 0) == 0) {
    value = word.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

void read_engine_policy(const std::string& client_dir, ENGINE_POLICY& policy) {
  policy = ENGINE_POLICY();
  if (client_dir.empty()) return;
  policy.settings_file = client_dir + "/" + kPolicyFileName;
  std::string text;
  platform::SlotRead read = platform::read_slot_file(policy.settings_file, kSettingsLimit, text);
  if (read == platform::SlotRead::missing) return;
  if (read != platform::SlotRead::ok) {
    std::fprintf(stderr, "%s can't be read (it must be a plain file of at most 64 KiB); nothing is allowed\n",
                 policy.settings_file.c_str());
    return;
  }
  std::istringstream stream(text);
  ParseOutcome outcome = parse_toml(stream);
  if (!outcome.valid()) {
    std::fprintf(stderr, "%s: %s; nothing is allowed\n", policy.settings_file.c_str(), outcome.error.c_str());
    return;
  }
  ENGINE_POLICY read_policy = policy;
  try {
    const struct {
      const char* key;
      bool& field;
    } keys[] = {{"allow_privileged", read_policy.allow_privileged},
                {"allow_devices", read_policy.allow_devices},
                {"allow_host_namespaces", read_policy.allow_host_namespaces},
                {"allow_system_mounts", read_policy.allow_system_mounts}};
    for (const auto& k : keys) {
      if (const Value* v = outcome.root.lookup(k.key)) k.field = v->get_bool();
    }
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "%s: %s; nothing is allowed\n", policy.settings_file.c_str(), error.what());
    return;
  }
  policy = read_policy;
}

std::string mount_volume_source(const std::string& value) {
  std::size_t from = value.size() > 2 && value[1] == ':' && std::isalpha(static_cast<unsigned char>(value[0])) ? 2 : 0;
  std::size_t colon = value.find(':', from);
  return value.substr(0, colon);
}

std::string engine_policy_refusal(const JOB_CONFIG& config, const ENGINE_POLICY& policy,
                                  const std::string& client_dir, const std::string& slot_dir) {
  if (!policy.allow_system_mounts) {
    for (const auto& m : config.mount) {
      std::string why = system_source(mount_volume_source(m), client_dir, slot_dir);
      if (!why.empty()) return refusal("mount", "\"" + m + "\"", "it mounts " + why, "allow_system_mounts", policy);
    }
  }
  const std::vector<std::string>& words = config.create_arg_words;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string word = words[i];
    std::string value;
    if (!policy.allow_privileged) {
      if (word == "--privileged" || word.rfind("--privileged=", 0) == 0) {
        if (word != "--privileged=false")
          return refusal("create_args", word, "it gives the container the whole machine", "allow_privileged",
                         policy);
        continue;
      }
      if (option_value(words, i, "--cap-add", value))
        return refusal("create_args", "--cap-add " + value, "it gives the container powers over the machine",
                       "allow_privileged", policy);
      if (option_value(words, i, "--security-opt", value)) {
        for (const char* lifted : {"unconfined", "disable", "unmask", "no-new-privileges=false"}) {
          if (value.find(lifted) != std::string::npos)
            return refusal("create_args", "--security-opt " + value, "it lifts the container's confinement",
                           "allow_privileged", policy);
        }
        continue;
      }
    }
    if (!policy.allow_devices && option_value(words, i, "--device", value))
      return refusal("create_args", "--device " + value, "it hands the container a device of the machine",
                     "allow_devices", policy);
    if (!policy.allow_host_namespaces) {
      bool matched = false;
      for (const char* name : {"--pid", "--ipc", "--uts", "--userns", "--network", "--net"}) {
        if (!option_value(words, i, name, value)) continue;
        matched = true;
        if (value == "host")
          return refusal("create_args", std::string(name) + "=host", "it shares the machine's own namespace",
                         "allow_host_namespaces", policy);
        break;
      }
      if (matched) continue;
    }
    if (!policy.allow_system_mounts) {
      std::string source;
      if (option_value(words, i, "-v", value) || option_value(words, i, "--volume", value)) {
        source = mount_volume_source(value);
      } else if (option_value(words, i, "--mount", value)) {
        source = mount_source(value);
      } else if (word.size() > 2 && word.rfind("-v", 0) == 0 && word[2] != '-') {
        value = word.substr(2);
        source = mount_volume_source(value);
      }
      std::string why = system_source(source, client_dir, slot_dir);
      if (!why.empty())
        return refusal("create_args", "the mount \"" + value + "\"", "it mounts " + why, "allow_system_mounts",
                       policy);
    }
  }
  return {};
}
