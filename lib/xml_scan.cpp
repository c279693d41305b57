#include "lib/xml_scan.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "lib/result_codes.h"
#include "lib/text_util.h"
#include "lib/xml_reader.h"

bool find_flag_in_text(const char* text, const char* name, bool& value) {
  if (std::strstr(text, name) == nullptr) return false;
  std::string self_closed = std::string("<") + name + "/>";
  std::string spaced = std::string("<") + name + " />";
  if (std::strstr(text, self_closed.c_str()) != nullptr || std::strstr(text, spaced.c_str()) != nullptr) {
    value = true;
    return true;
  }
  std::string start = std::string("<") + name + ">";
  const char* found = std::strstr(text, start.c_str());
  if (found == nullptr) return false;
  errno = 0;
  long long number = std::strtoll(found + start.size(), nullptr, 0);
  if (errno == ERANGE || number < INT32_MIN || number > INT32_MAX) return false;
  value = number != 0;
  return true;
}

bool find_text_in_text(const char* text, const char* start_tag, char* buffer, std::size_t size) {
  if (size == 0) return false;
  const char* start = std::strstr(text, start_tag);
  if (start == nullptr) return false;
  const char* close = std::strchr(start, '>');
  if (close == nullptr) return false;
  const char* next = std::strchr(close + 1, '<');
  if (next == nullptr) return false;
  std::size_t length = static_cast<std::size_t>(next - (close + 1));
  if (length > size - 1) length = size - 1;
  std::memcpy(buffer, close + 1, length);
  buffer[length] = '\0';
  trim_spaces(buffer);
  decode_entities(buffer);
  return true;
}

void attribute_value(const char* attributes, const char* name, char* buffer, std::size_t size) {
  if (size == 0) return;
  buffer[0] = '\0';
  const char* found = std::strstr(attributes, name);
  if (found == nullptr) return;
  const char* open = std::strchr(found, '"');
  if (open == nullptr) return;
  const char* close = std::strchr(open + 1, '"');
  if (close == nullptr) return;
  std::size_t length = static_cast<std::size_t>(close - (open + 1));
  if (length > size - 1) length = size - 1;
  std::memcpy(buffer, open + 1, length);
  buffer[length] = '\0';
}

int copy_element_raw(TEXT_SOURCE& source, const char* name, std::optional<std::string>& element) {
  const std::string end_tag = std::string("</") + name + ">";
  std::string raw;
  for (;;) {
    int byte = source.getc();
    if (byte == TEXT_SOURCE::END || byte == 0) return RC_XML_UNEXPECTED;
    raw += static_cast<char>(byte);
    if (raw.size() >= end_tag.size() && std::string_view(raw).substr(raw.size() - end_tag.size()) == end_tag) {
      raw.resize(raw.size() - end_tag.size());
      element = std::string("<") + name + ">\n" + raw + end_tag;
      return RC_SUCCESS;
    }
  }
}
