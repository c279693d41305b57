// The WSL distros of the host as the client lists them inside host_info,
// with the container engine each one carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lib/xml_reader.h"

struct WSL_GPU_DESC {
  std::string name;
  bool has_opencl = false;
  bool has_cuda = false;
};

struct WSL_DISTRO_DESC {
  std::string distro_name;
  std::string os_name;
  std::string os_version;
  std::string libc_version;
  std::int32_t wsl_version = 0;
  bool is_default = false;
  bool disallowed = false;
  std::string docker_version;   // empty when the distro has no engine
  std::int32_t docker_type = 0; // an ENGINE_TYPE: 1 Docker, 2 Podman
  std::string docker_compose_version;
  std::int32_t docker_compose_type = 0;
  std::int32_t distro_version = 0;
  std::vector<WSL_GPU_DESC> gpus;

  // Empties the texts and zeroes the versions and flags; docker_type,
  // docker_compose_type and gpus stay.
  void clear();

  // Reads the fields after the "distro" start tag up to "/distro". Returns
  // 0, or RC_XML_UNEXPECTED when the input ends first.
  int parse(XML_READER& reader);
};

struct WSL_DISTRO_LIST {
  std::vector<WSL_DISTRO_DESC> distros;

  // Reads the "distro" elements after the "wsl" start tag up to "/wsl".
  // Returns 0, or RC_XML_UNEXPECTED when the input ends first (the records
  // read so far stay, the cut one included).
  int parse(XML_READER& reader);
};
