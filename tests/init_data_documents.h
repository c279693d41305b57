// Init data documents for the tests of the client's records: each record
// is read from a small document, as the client writes it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "lib/init_data.h"
#include "test_support.h"

namespace init_data_documents {

inline const std::filesystem::path kFixtures = std::filesystem::path(QUAYSIDE_SOURCE_DIR) / "tests/fixtures/init_data";

struct Parsed {
  int result;
  std::unique_ptr<INIT_DATA> data;
  std::string log;
};

inline Parsed parse_text(const std::string& document) {
  auto data = std::make_unique<INIT_DATA>();
  std::FILE* file = std::tmpfile();
  std::fwrite(document.data(), 1, document.size(), file);
  std::rewind(file);
  StderrCapture log;
  int result = parse_init_data_file(file, *data);
  std::fclose(file);
  return {result, std::move(data), log.text()};
}

inline Parsed parse_fixture(const char* name) { return parse_text(read_file(kFixtures / name)); }

inline std::string app(const std::string& body) { return "<app_init_data>\n" + body + "\n</app_init_data>\n"; }

// The parser's lines carry a time text first; compare what follows it.
inline std::string without_times(const std::string& log) {
  std::string out;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    std::string line = log.substr(start, end - start);
    std::size_t colon = line.find(": ");
    out += (colon == std::string::npos ? line : line.substr(colon + 2)) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

}  // namespace init_data_documents
