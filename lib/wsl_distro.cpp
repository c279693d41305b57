#include "lib/wsl_distro.h"

#include <cstring>

#include "lib/result_codes.h"

namespace {

// Reads one "wsl_gpu" element; an entry without a name is dropped at its
// end tag, while one cut off by the end of input is kept.
void parse_gpu(XML_READER& reader, std::vector<WSL_GPU_DESC>& gpus) {
  WSL_GPU_DESC gpu;
  while (!reader.next_tag()) {
    if (reader.tag_is("/wsl_gpu")) {
      if (!gpu.name.empty()) gpus.push_back(gpu);
      return;
    }
    reader.take_string("name", gpu.name) || reader.take_flag("has_cuda", gpu.has_cuda) ||
        reader.take_flag("has_opencl", gpu.has_opencl);
  }
  gpus.push_back(gpu);
}

}  // namespace

void WSL_DISTRO_DESC::clear() {
  distro_name.clear();
  os_name.clear();
  os_version.clear();
  libc_version.clear();
  docker_version.clear();
  docker_compose_version.clear();
  wsl_version = 0;
  distro_version = 0;
  is_default = false;
  disallowed = false;
}

int WSL_DISTRO_DESC::parse(XML_READER& r) {
  clear();
  while (!r.next_tag()) {
    if (r.tag_is("/distro")) return RC_SUCCESS;
    if (r.take_string("distro_name", distro_name) || r.take_int("distro_version", distro_version) ||
        r.take_string("os_name", os_name) || r.take_string("os_version", os_version) ||
        r.take_string("libc_version", libc_version) || r.take_flag("is_default", is_default) ||
        r.take_flag("disallowed", disallowed) || r.take_int("wsl_version", wsl_version) ||
        r.take_string("docker_version", docker_version) || r.take_int("docker_type", docker_type) ||
        r.take_string("docker_compose_version", docker_compose_version) ||
        r.take_int("docker_compose_type", docker_compose_type)) {
      continue;
    }
    if (r.tag_is("wsl_gpu")) parse_gpu(r, gpus);
  }
  return RC_XML_UNEXPECTED;
}

int WSL_DISTRO_LIST::parse(XML_READER& reader) {
  distros.clear();
  while (!reader.next_tag()) {
    if (reader.tag_is("/wsl")) return RC_SUCCESS;
    if (reader.tag_is("distro")) {
      WSL_DISTRO_DESC distro;
      distro.clear();
      distro.parse(reader);
      distros.push_back(std::move(distro));
    }
  }
  return RC_XML_UNEXPECTED;
}
