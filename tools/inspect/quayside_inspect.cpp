// quayside-inspect: shows a project developer what quayside makes of its
// inputs.
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lib/file_util.h"
#include "lib/init_data.h"
#include "lib/result_codes.h"
#include "lib/xml_reader.h"
#include "tools/inspect/records_json.h"

namespace {

const char kUsage[] =
    "usage: quayside-inspect COMMAND FILE\n"
    "  init-data FILE   the parsed init_data.xml as one JSON object\n"
    "  xml FILE         every item the XML reader reads, one per line\n"
    "  --help           this text\n";

// Opens FILE for a subcommand, or says why not. Exit code 2 when missing.
std::FILE* open_input(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) std::fprintf(stderr, "quayside-inspect: can't open %s: %s\n", path.c_str(), std::strerror(errno));
  return file;
}

int inspect_init_data(std::FILE* file) {
  auto data = std::make_unique<INIT_DATA>();
  int result = parse_init_data_file(file, *data);
  if (result != 0) {
    std::fprintf(stderr, "parse failed: %d (%s)\n", result, result_text(result));
    return 1;
  }
  std::printf("%s\n", init_data_json(*data).dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  return 0;
}

const char* item_name(XML_ITEM item) {
  switch (item) {
    case XML_ITEM_COMMENT: return "comment";
    case XML_ITEM_END: return "end";
    case XML_ITEM_CDATA: return "cdata";
    case XML_ITEM_TAG: return "tag";
    case XML_ITEM_TEXT: return "text";
    case XML_ITEM_OVERFLOW: return "overflow";
  }
  return "unknown";
}

std::string json_text(const char* text) {
  return nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

int inspect_xml(std::FILE* file) {
  TEXT_SOURCE source(file);
  XML_READER reader(&source);
  std::vector<char> buffer(XML_READER::kTagSize);
  char attributes[256];
  for (;;) {
    attributes[0] = '\0';
    XML_ITEM item = reader.next_item(buffer.data(), buffer.size(), attributes, sizeof attributes);
    if (item == XML_ITEM_END || item == XML_ITEM_OVERFLOW) {
      std::printf("%s\n", item_name(item));
      return 0;
    }
    std::printf("%s %s", item_name(item), json_text(buffer.data()).c_str());
    if (item == XML_ITEM_TAG && attributes[0] != '\0') std::printf(" %s", json_text(attributes).c_str());
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string command = argv[1];
  if (command != "init-data" && command != "xml") {
    std::fprintf(stderr, "quayside-inspect: unknown command %s\n%s", argv[1], kUsage);
    return 2;
  }
  std::FILE* file = open_input(argv[2]);
  if (file == nullptr) return 2;
  int status = command == "init-data" ? inspect_init_data(file) : inspect_xml(file);
  std::fclose(file);
  return status;
}
