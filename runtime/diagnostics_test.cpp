// The diagnostics set-up: flags and the client's settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "lib/result_codes.h"
#include "runtime/client_runtime.h"
#include "runtime/diagnostics.h"
#include "runtime/log_prefix.h"
#include "runtime/shared_channels.h"
#include "runtime_test_fixture.h"
#include "test_support.h"

TEST_F(DiagnosticsTest, ConflictingFlagsAndASecondSetUp) {
  DIAGNOSTICS facility;
  EXPECT_EQ(facility.setup(DIAG_STDERR_APPEND | DIAG_STDERR_TRUNCATE, "o", "e"), RC_INVALID_PARAMETER);
  EXPECT_TRUE(facility.set_up);
  EXPECT_EQ(facility.setup(0, "o", "e"), RC_INVALID_PARAMETER);
  facility.finish();
  EXPECT_EQ(facility.setup(DIAG_STDOUT_APPEND | DIAG_STDOUT_TRUNCATE, "o", "e"), RC_INVALID_PARAMETER);
  EXPECT_FALSE(std::filesystem::exists("e.txt"));
}

TEST_F(DiagnosticsTest, ClientSettingsFromInitData) {
  write_file("init_data.xml",
             "<app_init_data>\n<corvo_dir> /var/lib/corvo </corvo_dir>\n<symstore>http://s/</symstore>\n"
             "<use_http_proxy/>\n<http_server_name>proxy</http_server_name>\n"
             "<http_server_port>8080</http_server_port>\n</app_init_data>\n<symstore>late</symstore>\n");
  DIAGNOSTICS facility;
  ASSERT_EQ(facility.setup(DIAG_CLIENT_JOB, "o", "e"), 0);
  EXPECT_EQ(facility.corvo_dir, "/var/lib/corvo");
  EXPECT_EQ(facility.symstore, "http://s/");
  EXPECT_TRUE(facility.use_proxy);
  EXPECT_EQ(facility.proxy, "proxy:8080");

  std::filesystem::remove("init_data.xml");
  DIAGNOSTICS empty;
  ASSERT_EQ(empty.setup(DIAG_CLIENT_JOB, "o", "e"), 0);
  EXPECT_EQ(empty.corvo_dir, "");
  EXPECT_EQ(empty.proxy, "");
}
