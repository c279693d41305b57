#include "engine/engine_json.h"

#include <cstdio>

bool parse_json_line(const std::string& line, const char* failure_format, nlohmann::json& document) {
  try {
    document = nlohmann::json::parse(line);
    return true;
  } catch (const nlohmann::json::exception& error) {
    std::fprintf(stderr, failure_format, line.c_str(), error.what());
    return false;
  }
}

bool string_member(const nlohmann::json& document, const char* key, std::string& value) {
  if (!document.is_object()) return false;
  auto found = document.find(key);
  if (found == document.end() || !found->is_string()) return false;
  value = found->get<std::string>();
  return true;
}
