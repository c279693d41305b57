// The crash report on Windows names each address's module, its offset and
// base: with address randomisation, absolute addresses alone tell nothing.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/program_run.h"
#include "test_support.h"

TEST(CrashReport, AddressesCarryTheirModuleAndBase) {
  std::string report;
  int status = 0;
  ASSERT_TRUE(platform::run_program(test_binary_path(), {test_binary_path(), "--child", "access-violation"},
                                    [&](std::string_view bytes) { report.append(bytes); }, status));
  EXPECT_EQ(static_cast<unsigned>(status), 0xc0000005u) << report;
  EXPECT_EQ(report.rfind("Unhandled Exception Detected...\nReason: 0xc0000005 at address 0x", 0), 0u) << report;
  EXPECT_NE(report.find("\nStack trace:\n"), std::string::npos) << report;
  static const std::regex frame(R"(\n  0x[0-9a-f]+ quayside_tests\.exe\+0x[0-9a-f]{8} \(base 0x[0-9a-f]+\)\n)");
  EXPECT_TRUE(std::regex_search(report, frame)) << report;
}
