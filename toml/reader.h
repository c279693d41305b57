// Reads a whole TOML text into a Value tree and reports the first error
// with its line number. The only entry point of the TOML reader.
#pragma once

#include <istream>
#include <string>

#include "toml/value.h"

struct ParseOutcome {
  Value root;         // the document's table, or null on failure
  std::string error;  // empty on success

  bool valid() const { return root.kind() != V_NULL; }
};

// Reads from the stream's current position to its end. Never raises for
// anything in the text: every failure, also inside inline tables and in
// too-deep nesting, comes back as the outcome's error.
ParseOutcome parse_toml(std::istream& stream);
