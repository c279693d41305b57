// Which container engine the job uses, and the names that go with it.
#pragma once

#include <cstdint>

enum ENGINE_TYPE : std::int32_t {
  ENGINE_UNKNOWN = 0,
  ENGINE_DOCKER = 1,
  ENGINE_PODMAN = 2,
  ENGINE_WSLC = 3,
};

// The first word of every command line: "docker", "podman", "wslc.exe", or
// "unknown" for any other value. Constant texts; never freed.
const char* engine_program_name(int type);

// "Docker", "Podman", "WSL containers", or "Unknown".
const char* engine_display_name(int type);
