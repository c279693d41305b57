#include "engine/engine_type.h"

const char* engine_program_name(int type) {
  switch (type) {
    case ENGINE_DOCKER: return "docker";
    case ENGINE_PODMAN: return "podman";
    case ENGINE_WSLC: return "wslc.exe";
    default: return "unknown";
  }
}

const char* engine_display_name(int type) {
  switch (type) {
    case ENGINE_DOCKER: return "Docker";
    case ENGINE_PODMAN: return "Podman";
    case ENGINE_WSLC: return "WSL containers";
    default: return "Unknown";
  }
}
