// The free-form engine options of job.toml: any text either is refused or
// splits into words that, shown to a shell and split again, are the same
// words.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/shell_words.h"
#include "engine/engine_command.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  std::string problem;
  if (!split_option_words(text, words, problem)) return 0;
  EngineCommand command;
  command.add_all(words);
  std::vector<std::string> again;
  if (!split_option_words(render_posix(command), again, problem)) std::abort();
  if (again != words) std::abort();
  return 0;
}
