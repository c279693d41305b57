#include "lib/xml_reader.h"

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "lib/clock.h"
#include "lib/time_text.h"

namespace {

constexpr int kEnd = TEXT_SOURCE::END;
constexpr std::size_t kValueSize = 256;
// Past this depth a skipped element is taken as the end of the input, so
// that a hostile file can't exhaust the stack.
constexpr int kMaxSkipDepth = 1000;

bool is_end_tag_of(const char* tag, const char* name) {
  return tag[0] == '/' && std::strcmp(tag + 1, name) == 0;
}

bool is_self_closed(const char* tag, const char* name) {
  std::size_t length = std::strlen(name);
  return std::strncmp(tag, name, length) == 0 && tag[length] == '/' && tag[length + 1] == '\0';
}

}  // namespace

bool is_xml_space(int byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' || byte == '\r';
}

void trim_spaces(char* text) {
  std::size_t start = 0;
  while (is_xml_space(static_cast<unsigned char>(text[start]))) ++start;
  std::size_t length = std::strlen(text + start);
  while (length > 0 && is_xml_space(static_cast<unsigned char>(text[start + length - 1]))) --length;
  std::memmove(text, text + start, length);
  text[length] = '\0';
}

void decode_entities(char* text) {
  static const struct {
    const char* entity;
    char byte;
  } kNamed[] = {{"&lt;", '<'},    {"&gt;", '>'},    {"&quot;", '"'},  {"&apos;", '\''},
                {"&amp;", '&'},   {"&#xD;", '\r'},  {"&#xd;", '\r'},  {"&#xA;", '\n'},
                {"&#xa;", '\n'}};
  char* out = text;
  const char* in = text;
  while (*in != '\0') {
    if (*in != '&') {
      *out++ = *in++;
      continue;
    }
    bool decoded = false;
    for (const auto& named : kNamed) {
      std::size_t length = std::strlen(named.entity);
      if (std::strncmp(in, named.entity, length) == 0) {
        *out++ = named.byte;
        in += length;
        decoded = true;
        break;
      }
    }
    if (decoded) continue;
    if (in[1] == '#') {
      const char* digits = in + 2;
      const char* semicolon = std::strchr(digits, ';');
      bool valid = semicolon != nullptr && semicolon != digits;
      int value = 0;
      for (const char* d = digits; valid && d < semicolon; ++d) {
        if (*d < '0' || *d > '9') {
          valid = false;
        } else if ((value = value * 10 + (*d - '0')) >= 256) {
          valid = false;
        }
      }
      if (valid) {
        *out++ = static_cast<char>(value);
        in = semicolon + 1;
        if (value == 0) break;  // a byte 0 ends the text
      } else {
        *out++ = *in++;
        *out++ = *in++;
      }
      continue;
    }
    *out++ = *in++;
  }
  *out = '\0';
}

int XML_READER::read_byte() {
  int byte = source->getc();
  return byte == 0 ? kEnd : byte;
}

XML_ITEM XML_READER::read_tag(char* buffer, std::size_t size, char* attributes, std::size_t attributes_size) {
  std::size_t used = 0;
  std::size_t attributes_used = 0;
  bool in_attributes = false;
  for (std::size_t i = 0;; ++i) {
    int byte = read_byte();
    if (byte == kEnd) return XML_ITEM_END;
    if (byte == '>') {
      buffer[used] = '\0';
      if (attributes != nullptr && attributes_size > 0) attributes[attributes_used] = '\0';
      return XML_ITEM_TAG;
    }
    if (is_xml_space(byte) && !in_attributes) {
      in_attributes = true;
    } else if (byte == '/' || !in_attributes) {
      if (used + 1 >= size) return XML_ITEM_OVERFLOW;
      buffer[used++] = static_cast<char>(byte);
    } else if (attributes != nullptr && attributes_used + 1 < attributes_size) {
      attributes[attributes_used++] = static_cast<char>(byte);
    }
    if (i == 2 && used >= 3 && std::memcmp(buffer, "!--", 3) == 0) {
      // A comment: look for "-->" in the bytes that follow.
      int last[2] = {0, 0};
      for (;;) {
        int c = read_byte();
        if (c == kEnd) return XML_ITEM_END;
        if (c == '>' && last[0] == '-' && last[1] == '-') return XML_ITEM_COMMENT;
        last[0] = last[1];
        last[1] = c;
      }
    }
    if (i == 7 && used >= 8 && std::memcmp(buffer, "![CDATA[", 8) == 0) {
      // The section's bytes are kept from the start of the buffer, up to
      // size - 9 of them; the rest is read and dropped.
      std::size_t kept = 0;
      std::size_t limit = size > 9 ? size - 9 : 0;
      for (;;) {
        int c = read_byte();
        if (c == kEnd) return XML_ITEM_END;
        if (kept < limit) buffer[kept++] = static_cast<char>(c);
        if (c == '>') {
          buffer[kept] = '\0';
          if (char* close = std::strstr(buffer, "]]>")) {
            *close = '\0';
            return XML_ITEM_CDATA;
          }
        }
      }
    }
  }
}

XML_ITEM XML_READER::next_item(char* buffer, std::size_t size, char* attributes, std::size_t attributes_size) {
  if (size < 2) return XML_ITEM_OVERFLOW;
  // Content never reaches the last byte of either buffer, so both stay
  // terminated whatever the input does.
  buffer[size - 1] = '\0';
  if (attributes != nullptr && attributes_size > 0) attributes[attributes_size - 1] = '\0';
  for (;;) {
    int byte;
    do {
      byte = read_byte();
    } while (is_xml_space(byte));
    if (byte == kEnd) return XML_ITEM_END;
    if (byte != '<') {
      std::size_t used = 0;
      buffer[used++] = static_cast<char>(byte);
      for (;;) {
        byte = read_byte();
        if (byte == kEnd) return XML_ITEM_END;
        if (byte == '<') {
          source->ungetc(byte);
          buffer[used] = '\0';
          trim_spaces(buffer);
          return XML_ITEM_TEXT;
        }
        if (used + 1 >= size) return XML_ITEM_OVERFLOW;
        buffer[used++] = static_cast<char>(byte);
      }
    }
    XML_ITEM item = read_tag(buffer, size, attributes, attributes_size);
    if (item == XML_ITEM_COMMENT) continue;
    if (item == XML_ITEM_TAG || item == XML_ITEM_CDATA) trim_spaces(buffer);
    return item;
  }
}

bool XML_READER::tag_is(const char* text) const { return std::strcmp(tag, text) == 0; }

bool XML_READER::next_tag(char* attributes, std::size_t attributes_size) {
  XML_ITEM item = next_item(tag, sizeof tag, attributes, attributes_size);
  last_was_tag = item == XML_ITEM_TAG;
  if (std::strlen(tag) > 4086) tag[4086] = '\0';
  return item == XML_ITEM_END || item == XML_ITEM_OVERFLOW;
}

bool XML_READER::expect_root(const char* root) {
  char buffer[kTagSize];
  XML_ITEM item = next_item(buffer, sizeof buffer);
  if (item == XML_ITEM_END || item == XML_ITEM_OVERFLOW) return false;
  last_was_tag = item == XML_ITEM_TAG;
  if (!last_was_tag) return false;
  if (std::strstr(buffer, "?xml") != nullptr) {
    item = next_item(buffer, sizeof buffer);
    if (item == XML_ITEM_END || item == XML_ITEM_OVERFLOW) return false;
    last_was_tag = item == XML_ITEM_TAG;
    if (!last_was_tag) return false;
  }
  return std::strcmp(buffer, root) == 0;
}

bool XML_READER::read_end_tag(const char* name) {
  char buffer[kTagSize];
  XML_ITEM item = next_item(buffer, sizeof buffer);
  if (item == XML_ITEM_END || item == XML_ITEM_OVERFLOW) return false;
  last_was_tag = item == XML_ITEM_TAG;
  return last_was_tag && is_end_tag_of(buffer, name);
}

// Reads the value item of a numeric element into value (256 bytes). Returns
// false when there is none; empty_element tells an empty element apart.
bool XML_READER::read_number_text(const char* name, char* value, bool& empty_element) {
  empty_element = false;
  XML_ITEM item = next_item(value, kValueSize);
  if (item == XML_ITEM_END || item == XML_ITEM_OVERFLOW) return false;
  last_was_tag = item == XML_ITEM_TAG;
  if (last_was_tag) {
    empty_element = is_end_tag_of(value, name);
    return false;
  }
  return true;
}

// The number of a numeric element: an empty element reads as 0; otherwise
// convert must use the whole text and give a value in range.
template <typename T, typename Convert>
bool XML_READER::take_number(const char* name, T& value, Convert convert) {
  if (std::strcmp(tag, name) != 0) return false;
  char text[kValueSize];
  bool empty_element = false;
  if (!read_number_text(name, text, empty_element)) {
    if (empty_element) value = 0;
    return empty_element;
  }
  T parsed{};
  char* end = nullptr;
  errno = 0;
  if (!convert(text, end, parsed) || end == text || *end != '\0' || errno == ERANGE) return false;
  if (!read_end_tag(name)) return false;
  value = parsed;
  return true;
}

bool XML_READER::take_int(const char* name, std::int32_t& value) {
  return take_number(name, value, [](const char* text, char*& end, std::int32_t& out) {
    long long parsed = std::strtoll(text, &end, 0);
    out = static_cast<std::int32_t>(parsed);
    return parsed >= INT32_MIN && parsed <= INT32_MAX;
  });
}

bool XML_READER::take_double(const char* name, double& value) {
  return take_number(name, value, [](const char* text, char*& end, double& out) {
    out = std::strtod(text, &end);
    return true;
  });
}

bool XML_READER::take_uint64(const char* name, std::uint64_t& value) {
  return take_number(name, value, [](const char* text, char*& end, std::uint64_t& out) {
    // strtoull would quietly wrap a negative text around.
    out = std::strtoull(text, &end, 0);
    return std::strchr(text, '-') == nullptr;
  });
}

bool XML_READER::take_flag(const char* name, bool& value) {
  if (is_self_closed(tag, name)) {
    value = true;
    return true;
  }
  if (std::strcmp(tag, name) != 0) return false;
  char text[kValueSize];
  bool empty_element = false;
  if (!read_number_text(name, text, empty_element)) return false;
  char* end = nullptr;
  long long parsed = std::strtoll(text, &end, 0);  // saturates; still not 0
  if (end == text || *end != '\0') return false;
  if (!read_end_tag(name)) return false;
  value = parsed != 0;
  return true;
}

bool XML_READER::take_text(const char* name, char* buffer, std::size_t size) {
  if (size < 2) return false;
  if (is_self_closed(tag, name)) {
    buffer[0] = '\0';
    return true;
  }
  if (std::strcmp(tag, name) != 0) return false;
  // Read into a scratch buffer, so that a failed read leaves the field as
  // it was; the reader terminates what it writes, so it needs no filling.
  std::unique_ptr<char[]> scratch(new char[size]);
  char* value = scratch.get();
  value[0] = '\0';
  XML_ITEM item = next_item(value, size);
  if (item == XML_ITEM_END || item == XML_ITEM_OVERFLOW) return false;
  if (item == XML_ITEM_TAG) {
    last_was_tag = true;
    if (!is_end_tag_of(value, name)) return false;
    buffer[0] = '\0';
    return true;
  }
  if (!read_end_tag(name)) return false;
  if (item == XML_ITEM_TEXT) decode_entities(value);
  std::memcpy(buffer, value, std::strlen(value) + 1);
  return true;
}

bool XML_READER::take_string(const char* name, std::string& value) {
  // Nothing is allocated for an element of another name.
  if (!is_self_closed(tag, name) && std::strcmp(tag, name) != 0) return false;
  constexpr std::size_t kLimit = 262144;
  std::unique_ptr<char[]> buffer(new char[kLimit]);
  if (!take_text(name, buffer.get(), kLimit)) return false;
  value = buffer.get();
  return true;
}

void XML_READER::skip_element(const char* tag_text, bool verbose, const char* caller) {
  if (verbose) {
    std::fprintf(stderr, "%s: Unrecognized XML tag '<%s>' in %s; skipping\n", time_text(now_seconds(), false),
                 tag_text, caller);
  }
  skip_to_end_tag(tag_text, 0);
}

void XML_READER::skip_to_end_tag(const char* tag_text, int depth) {
  if (std::strchr(tag_text, '/') != nullptr) return;
  if (depth >= kMaxSkipDepth) {
    source->exhaust();
    return;
  }
  std::string end_tag = std::string("/") + tag_text;
  std::vector<char> buffer(kTagSize);
  for (;;) {
    int byte = read_byte();
    if (byte == kEnd) return;
    if (byte != '<') continue;
    XML_ITEM item = read_tag(buffer.data(), buffer.size(), nullptr, 0);
    if (item == XML_ITEM_END) return;
    if (item != XML_ITEM_TAG) continue;
    if (end_tag == buffer.data()) return;
    skip_to_end_tag(buffer.data(), depth + 1);
  }
}
