#include "tools/inspect/toml_json.h"

#include <cstdio>
#include <ctime>

#include "platform/clock.h"

using nlohmann::ordered_json;

namespace {

std::string iso_utc(std::int64_t ticks) {
  std::int64_t seconds = ticks / 10000000;
  std::int64_t rest = ticks % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  std::tm parts{};
  if (!platform::break_down_time(static_cast<std::time_t>(seconds), true, parts)) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%07lldZ", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<long long>(rest));
  return text;
}

}  // namespace

ordered_json toml_json(const Value& value) {
  switch (value.kind()) {
    case V_NULL: return nullptr;
    case V_BOOL: return value.get_bool();
    case V_INT: return value.get_int64();
    case V_DOUBLE: return value.get_double();
    case V_STRING: return value.get_string();
    case V_TIME: return {{"ticks", value.get_time()}, {"utc", iso_utc(value.get_time())}};
    case V_ARRAY: {
      ordered_json array = ordered_json::array();
      for (const Value& element : value.get_array()) array.push_back(toml_json(element));
      return array;
    }
    case V_TABLE: {
      ordered_json object = ordered_json::object();
      for (const auto& [key, element] : value.get_table()) object[key] = toml_json(element);
      return object;
    }
  }
  return nullptr;
}

ordered_json job_config_json(const JOB_CONFIG& c) {
  return {{"workdir", c.workdir},
          {"project_dir_mount", c.project_dir_mount},
          {"image_name", c.image_name},
          {"use_gpu", c.use_gpu},
          {"web_graphics_guest_port", c.web_graphics_guest_port},
          {"mount", c.mount},
          {"portmap", c.portmap},
          {"build_args", c.build_args},
          {"create_args", c.create_args},
          {"verbose", c.verbose},
          {"log_max_bytes", c.log_max_bytes}};
}
