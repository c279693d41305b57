// The client's description of the computer (element "host_info"). Only
// use_wslc and the WSL distro list are consulted, by the engine choice.
#pragma once

#include <cstdint>

#include "lib/coproc.h"
#include "lib/wsl_distro.h"
#include "lib/xml_reader.h"

constexpr int kMaxOpenclCpuProps = 4;

struct HOST_DESC {
  HOST_DESC();

  std::int32_t timezone = 0;
  char domain_name[256] = "";
  char ip_addr[256] = "";
  char host_cpid[64] = "";
  std::int32_t p_ncpus = 0;
  char p_vendor[256] = "";
  char p_model[256] = "";
  char p_features[8192] = "";  // lower case
  double p_fpops = 0;          // absolute values
  double p_iops = 0;
  double p_membw = 0;
  double p_calculated = 0;
  bool p_vm_extensions_disabled = false;
  double m_nbytes = 0;
  double m_cache = 0;
  double m_swap = 0;
  double d_total = 0;
  double d_free = 0;
  char os_name[256] = "";
  char os_version[256] = "";
  char wsl_version[256] = "";
  bool use_wslc = false;
  WSL_DISTRO_LIST wsl;
  char product_name[256] = "";
  char virtualbox_version[256] = "";
  COPROC_LIST coprocs;
  std::int32_t opencl_cpu_prop_count = 0;
  OPENCL_CPU_DESC opencl_cpu_prop[kMaxOpenclCpuProps];

  // Clears the fields and the distro list; coprocs and the contents of
  // opencl_cpu_prop stay.
  void reset();
};

// Reads the fields after the "host_info" start tag up to "/host_info".
// Returns 0, or RC_XML_UNEXPECTED when the input ends first.
int parse_host_info(HOST_DESC& host, XML_READER& reader);
