// The WSL side of the engine shell where there is no WSL (as under wine).
#include <gtest/gtest.h>

#include "engine/docker_conn.h"
#include "engine/wsl_cmd.h"
#include "test_support.h"

TEST(WslLaunch, WithoutWslTheLaunchLibraryIsMissing) {
  WSL_CMD channel;
  std::string error_text;
  EXPECT_EQ(channel.prepare_pipes(error_text), -1);
  EXPECT_EQ(error_text, "Can't load wslapi.dll");

  WSL_DISTRO_DESC distro;
  distro.distro_name = "corvo-tavi-runner";
  distro.docker_type = ENGINE_DOCKER;
  DOCKER_CONN connection;
  StderrCapture log;
  EXPECT_EQ(connection.init(distro), -1);
  EXPECT_EQ(log.text(), "");
}
