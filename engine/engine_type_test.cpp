#include "engine/engine_type.h"

#include <gtest/gtest.h>

TEST(EngineNames, ProgramAndDisplayNames) {
  struct {
    int type;
    const char* program;
    const char* display;
  } cases[] = {
      {0, "unknown", "Unknown"},       {1, "docker", "Docker"}, {2, "podman", "Podman"},
      {3, "wslc.exe", "WSL containers"}, {7, "unknown", "Unknown"}, {-1, "unknown", "Unknown"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(engine_program_name(c.type), c.program) << c.type;
    EXPECT_STREQ(engine_display_name(c.type), c.display) << c.type;
  }
}
