// quayside-inspect: shows a project developer what quayside makes of its
// inputs.
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include <sstream>

#include "driver/job_config.h"
#include "lib/file_util.h"
#include "lib/init_data.h"
#include "lib/result_codes.h"
#include "lib/version.h"
#include "lib/xml_reader.h"
#include "platform/files.h"
#include "platform/process.h"
#include "toml/reader.h"
#include "tools/inspect/records_json.h"
#include "tools/inspect/toml_json.h"

namespace {

const char kUsage[] =
    "usage: quayside-inspect COMMAND FILE\n"
    "  init-data FILE                the parsed init_data.xml as one JSON object\n"
    "  xml FILE                      every item the XML reader reads, one per line\n"
    "  toml FILE                     the TOML value tree as JSON\n"
    "  job-config FILE [--verbose]   the configuration lines quayside prints, then the\n"
    "                                whole job configuration as JSON\n"
    "  --help, --version             this text, or the version\n";

std::string dump(const nlohmann::ordered_json& json) {
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Opens FILE for a subcommand, or says why not. Exit code 2 when missing.
std::FILE* open_input(const std::string& path) {
  std::FILE* file = platform::open_file_shared(path, "rb");
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
  std::printf("%s\n", dump(init_data_json(*data)).c_str());
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

int inspect_toml(const std::string& path) {
  std::string text;
  read_whole_file(path, text);
  std::istringstream in(text);
  ParseOutcome outcome = parse_toml(in);
  if (!outcome.valid()) {
    std::fprintf(stderr, "%s\n", outcome.error.c_str());
    return 1;
  }
  std::printf("%s\n", dump(toml_json(outcome.root)).c_str());
  return 0;
}

int inspect_job_config(const std::string& path, bool verbose) {
  JOB_CONFIG config;
  config.verbose = verbose ? 2 : 1;
  // The messages quayside gives, but a file that can't be opened is exit 2
  // as for every other subcommand.
  if (std::FILE* file = open_input(path)) {
    std::fclose(file);
  } else {
    return 2;
  }
  if (parse_config(path, config, true) != 0) return 1;
  print_config(config);
  std::fflush(stderr);
  std::printf("%s\n", dump(job_config_json(config)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = platform::program_arguments(argc, argv);
  if (args.size() == 1 && args[0] == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (answer_help_or_version(args, "quayside-inspect", kUsage)) return 0;
  std::string command = !args.empty() ? args[0] : "";
  bool verbose = args.size() == 3 && command == "job-config" && args[2] == "--verbose";
  if (args.size() != 2 && !verbose) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& path = args[1];
  if (command == "job-config") return inspect_job_config(path, verbose);
  if (command == "toml") {
    if (std::FILE* file = open_input(path)) {
      std::fclose(file);
      return inspect_toml(path);
    }
    return 2;
  }
  if (command != "init-data" && command != "xml") {
    std::fprintf(stderr, "quayside-inspect: unknown command %s\n%s", command.c_str(), kUsage);
    return 2;
  }
  std::FILE* file = open_input(path);
  if (file == nullptr) return 2;
  int status = command == "init-data" ? inspect_init_data(file) : inspect_xml(file);
  std::fclose(file);
  return status;
}
