// Looking for one element in a flat piece of text, without a reader: used on
// the client's control messages, on single lines of init_data.xml and on
// tag attributes. No state; any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "lib/text_source.h"

// A flag element named name: true for "<name/>" or "<name />", else the
// integer after "<name>" (automatic base) is not 0. Returns false when the
// element is absent or its number is out of range.
bool find_flag_in_text(const char* text, const char* name, bool& value);

// The text between start_tag (given with its angle brackets) and the next
// "<", trimmed and decoded, cut to size - 1 bytes. False when absent.
bool find_text_in_text(const char* text, const char* start_tag, char* buffer, std::size_t size);

// The double-quoted value after the first occurrence of name in an
// attribute text, cut to size - 1 bytes; empty when there is none.
void attribute_value(const char* attributes, const char* name, char* buffer, std::size_t size);

// Right after the start tag of name: reads raw bytes up to its end tag and
// stores "<name>\n", the raw bytes and "</name>" in element. Returns 0, or
// RC_XML_UNEXPECTED when the input ends first (element is then unchanged).
int copy_element_raw(TEXT_SOURCE& source, const char* name, std::optional<std::string>& element);
