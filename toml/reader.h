// Reads a whole TOML text into a Value tree and reports the first error
// with its line number. The only entry point of the TOML reader.
#pragma once

#include <istream>
#include <map>
#include <string>

#include "toml/value.h"

struct ParseOutcome {
  Value root;         // the document's table, or null on failure
  std::string error;  // empty on success: "Error: line N: reason"
  // The parts of the error: its line, the key whose value it is in (empty
  // when none), and the reason alone.
  int error_line = 0;
  std::string error_key;
  std::string error_reason;
  // The line of each key and table header at the top of the document.
  std::map<std::string, int> top_lines;

  bool valid() const { return root.kind() != V_NULL; }
};

// Reads from the stream's current position to its end. Never raises for
// anything in the text: every failure, also inside inline tables and in
// too-deep nesting, comes back as the outcome's error.
ParseOutcome parse_toml(std::istream& stream);
