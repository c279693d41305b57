// Feeds arbitrary bytes to the init data parse: no crash, no sanitizer
// report, whatever the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "lib/init_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<char> bytes(data, data + size);
  std::FILE* file = fmemopen(bytes.data(), bytes.size(), "r");
  if (file == nullptr) return 0;
  auto record = std::make_unique<INIT_DATA>();
  parse_init_data_file(file, *record);
  std::fclose(file);
  INIT_DATA copy = *record;
  copy.reset();
  return 0;
}
