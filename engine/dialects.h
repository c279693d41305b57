// The dialects of the engines, each in a file of its own, and what they
// share. Only engine_dialect() (engine_dialect.h) hands them out.
#pragma once

#include <string>

#include "engine/engine_dialect.h"

// Docker's and Podman's (text_reply_dialects.cpp), the WSL containers
// tool's (wslc_dialect.cpp); each made once.
const EngineDialect& docker_dialect();
const EngineDialect& podman_dialect();
const EngineDialect& wslc_dialect();

// Reads a number and the letters of its unit at the start of text.
bool read_amount(const char* text, double& amount, std::string& unit);
