// A minimal pull reader for the client's XML: start, end and self-closed
// tags, text, CDATA and comments; no tree, no namespaces, no character-set
// conversion. Record parsers drive it in one loop: take the next tag, stop at
// their own end tag, offer the tag to each field reader, skip the rest.
// A reader and its source belong to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "lib/text_source.h"

enum XML_ITEM {
  XML_ITEM_COMMENT = 1,  // only inside the reader: a comment was passed over
  XML_ITEM_END = 2,      // end of input (also a byte of value 0)
  XML_ITEM_CDATA = 3,
  XML_ITEM_TAG = 4,
  XML_ITEM_TEXT = 5,
  XML_ITEM_OVERFLOW = 6,  // the item did not fit in the buffer given
};

// The byte-level white space of the reader: blank, tab, newline, vertical
// tab, form feed and carriage return.
bool is_xml_space(int byte);

// Removes white space at both ends, in place.
void trim_spaces(char* text);

// Decodes the five named entities, "&#xD;", "&#xA;" and decimal references
// below 256, in place; anything else stays as written.
void decode_entities(char* text);

struct XML_READER {
  static constexpr std::size_t kTagSize = 4096;

  char tag[kTagSize] = "";   // the last item read by next_tag
  bool last_was_tag = false;
  TEXT_SOURCE* source;

  explicit XML_READER(TEXT_SOURCE* text_source) : source(text_source) {}

  // Reads the next tag, text or CDATA into buffer (trimmed), passing over
  // white space and comments. A tag's attributes go to attributes when it
  // is given. Never writes past either size.
  XML_ITEM next_item(char* buffer, std::size_t size, char* attributes = nullptr, std::size_t attributes_size = 0);

  // Whether the last item read by next_tag is exactly text.
  bool tag_is(const char* text) const;

  // next_item into tag. Returns true when no more items can be read (end or
  // overflow).
  bool next_tag(char* attributes = nullptr, std::size_t attributes_size = 0);

  // True when the first tag, after at most one XML declaration, is the start
  // tag of root.
  bool expect_root(const char* root);

  // Field readers: when tag names the element, read its value and end tag
  // and return true; otherwise return false with the destination unchanged.
  bool take_int(const char* name, std::int32_t& value);
  bool take_double(const char* name, double& value);
  bool take_uint64(const char* name, std::uint64_t& value);
  bool take_flag(const char* name, bool& value);
  bool take_text(const char* name, char* buffer, std::size_t size);
  template <std::size_t N>
  bool take_text(const char* name, char (&buffer)[N]) {
    return take_text(name, buffer, N);
  }
  bool take_string(const char* name, std::string& value);

  // Passes over the rest of the element whose start tag was just read. With
  // verbose, says so on standard error naming the caller.
  void skip_element(const char* tag_text, bool verbose, const char* caller);

 private:
  XML_ITEM read_tag(char* buffer, std::size_t size, char* attributes, std::size_t attributes_size);
  int read_byte();
  bool read_end_tag(const char* name);
  bool read_number_text(const char* name, char* value, bool& empty_element);
  template <typename T, typename Convert>
  bool take_number(const char* name, T& value, Convert convert);
  void skip_to_end_tag(const char* tag_text, int depth);
};
