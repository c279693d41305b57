// Reading the full init_data.xml fixture: the median time of one read.
//
// usage: init_data_read [FILE] [ROUNDS]   (default: the test fixture, 2000 rounds)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "lib/init_data.h"

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : QUAYSIDE_SOURCE_DIR "/tests/fixtures/init_data/full.xml";
  int rounds = argc > 2 ? std::atoi(argv[2]) : 2000;
  std::vector<double> times;
  auto data = std::make_unique<INIT_DATA>();
  for (int i = 0; i < rounds; ++i) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
      std::fprintf(stderr, "can't open %s\n", path.c_str());
      return 1;
    }
    auto start = std::chrono::steady_clock::now();
    int result = parse_init_data_file(file, *data);
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    std::fclose(file);
    if (result != 0) {
      std::fprintf(stderr, "parse failed: %d\n", result);
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("init_data.xml read: median %.3f ms, p99 %.3f ms over %d reads\n", times[times.size() / 2],
              times[std::min(times.size() - 1, times.size() * 99 / 100)], rounds);
  return 0;
}
