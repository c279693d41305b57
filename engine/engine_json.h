// Reading one line of engine output as a JSON document (the WSL containers
// tool's "ps" and "stats" replies).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

// Parses line into document. On failure prints failure_format filled with
// the line and the parser's message, and returns false.
bool parse_json_line(const std::string& line, const char* failure_format, nlohmann::json& document);

// The string value of key in an object; a value that is not a string counts
// as missing, like an absent key.
bool string_member(const nlohmann::json& document, const char* key, std::string& value);
