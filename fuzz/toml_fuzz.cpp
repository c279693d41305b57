// Feeds arbitrary bytes to the TOML reader and the configuration keys: no
// crash, no sanitizer report, no exception escaping the reader.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "toml/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  ParseOutcome outcome = parse_toml(in);
  if (!outcome.valid()) return 0;
  Value copy = outcome.root;
  for (const char* key : {"workdir", "mount", "verbose", "a.b", "\"x.y\".z"}) {
    if (const Value* v = copy.lookup(key)) {
      try {
        v->get_int();
      } catch (const std::runtime_error&) {
      }
    }
  }
  return 0;
}
