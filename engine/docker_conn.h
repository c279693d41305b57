// The process's one connection to its container engine. Set up once by the
// engine choice, then used by the main thread until the process ends; it is
// never closed or set up again.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_runner.h"
#include "engine/engine_type.h"

struct DOCKER_CONN final : EngineRunner {
  ENGINE_TYPE engine = ENGINE_UNKNOWN;
  const char* program = nullptr;  // constant text of engine_program_name

  // Sets up the WSL containers engine, run directly without a shell.
  // Always returns 0.
  int init_wslc();

  ENGINE_TYPE engine_type() const override { return engine; }

  // Direct path (WSL containers): runs "program command 2>&1" through the
  // command interpreter; a command that can't start or exits nonzero gives
  // -1 with "command failed: ..." on standard error, and the lines read so
  // far stay in the list.
  int run_engine_command(const std::string& command, std::vector<std::string>& lines, bool show) override;
};
