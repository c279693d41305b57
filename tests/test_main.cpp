// The unit-test entry. "--child ROLE ARGS..." runs this binary as the child
// process of a test instead of the tests (see child_roles.cpp).
#include <gtest/gtest.h>

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
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return run_child_role(argc - 2, argv + 2);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
