// The unit-test entry. "--child ROLE ARGS..." runs this binary as the child
// process of a test instead of the tests (see child_roles.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int run_child_role(int argc, char** argv);

namespace {
std::string binary_path;
}

const std::string& test_binary_path() { return binary_path; }

int main(int argc, char** argv) {
  binary_path = std::filesystem::absolute(argv[0]).string();
  // A copy planted under another program's name (an engine, ping) only
  // leaves a mark that it ran, for the tests that must never run it.
  if (std::filesystem::path(argv[0]).stem() != "quayside_tests") {
    std::FILE* mark = std::fopen("planted-program-ran", "w");
    if (mark != nullptr) std::fclose(mark);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return run_child_role(argc - 2, argv + 2);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
