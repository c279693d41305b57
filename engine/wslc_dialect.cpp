#include <cstdio>
#include <cstdlib>

#include "engine/dialects.h"
#include "engine/engine_json.h"
#include "lib/text_util.h"

namespace {

// The WSL containers tool: run directly, JSON replies.
class WslcDialect final : public EngineDialect {
 public:
  ENGINE_TYPE type() const override { return ENGINE_WSLC; }
  bool host_cpus_query(EngineCommand&) const override { return false; }
  bool dangling_images_query(EngineCommand&) const override { return false; }
  bool out_of_memory_query(const std::string&, EngineCommand&) const override { return false; }
  bool process_query(const std::string&, EngineCommand&) const override { return false; }

  EngineCommand state_query(const std::string& container) const override {
    return EngineCommand{"ps", "--all", "--filter"}.add_quoted("name=" + container).add("--format").add("json");
  }
  EngineCommand poll_query(const std::string& container) const override { return state_query(container); }
  EngineCommand stats_query(const std::string& container) const override {
    return {"stats", "--format", "json", container};
  }

  int read_state(const std::vector<std::string>& lines, const std::string&, CONTAINER_STATE& state) const override {
    state = CONTAINER_ABSENT;
    if (lines.empty()) return 0;
    nlohmann::json document;
    if (!parse_json_line(lines[0], "failed to parse ps output %s: %s\n", document)) return -1;
    std::string state_text;
    if (!required_member(document, "State", lines[0], state_text)) return -1;
    state = state_from_text(state_text.c_str());
    return 0;
  }

  POLL_OUTCOME read_poll(const std::vector<std::string>& lines, const std::string&, int& exit_code) const override {
    if (lines.empty()) return POLL_FAILED;
    nlohmann::json document;
    if (!parse_json_line(lines[0], "poll: failed to parse ps output %s: %s\n", document)) return POLL_FAILED;
    std::string status;
    if (!required_member(document, "Status", lines[0], status)) return POLL_FAILED;
    int code = 0;
    if (std::sscanf(status.c_str(), "Exited (%d)", &code) == 1) {
      exit_code = code;
      return POLL_EXITED;
    }
    return POLL_RUNNING;
  }

  StatsReading read_stats(const std::vector<std::string>& lines, double& percent, double& bytes,
                          double&) const override {
    if (lines.empty()) return StatsReading::nothing;
    nlohmann::json document;
    if (!parse_json_line(lines[0], "stats: failed to parse %s: %s\n", document)) return StatsReading::bad_document;
    std::string text;
    if (!string_member(document, "CPUPerc", text)) {
      std::fprintf(stderr, "status: missing CPU in %s\n", lines[0].c_str());
    } else {
      std::sscanf(text.c_str(), "%lf", &percent);
    }
    if (!string_member(document, "MemUsage", text)) {
      std::fprintf(stderr, "status: missing mem in %s\n", lines[0].c_str());
      return StatsReading::no_unit;
    }
    double amount = 0;
    std::string unit;
    if (!read_amount(text.c_str(), amount, unit) || !memory_bytes(amount, unit, bytes)) return StatsReading::no_unit;
    return StatsReading::ok;
  }

 protected:
  std::vector<const char*> unreachable_texts() const override { return {"Cannot connect", "service is not running"}; }

 private:
  // The string member key of a "ps" line's document; without it, says so
  // ("No State in LINE") and gives false.
  static bool required_member(const nlohmann::json& document, const char* key, const std::string& line,
                              std::string& value) {
    if (string_member(document, key, value)) return true;
    std::fprintf(stderr, "No %s in %s\n", key, line.c_str());
    return false;
  }
};

}  // namespace

const EngineDialect& wslc_dialect() {
  static const WslcDialect dialect;
  return dialect;
}
