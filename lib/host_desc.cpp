#include "lib/host_desc.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "lib/result_codes.h"

HOST_DESC::HOST_DESC() { reset(); }

void HOST_DESC::reset() {
  timezone = 0;
  domain_name[0] = ip_addr[0] = host_cpid[0] = p_vendor[0] = p_model[0] = p_features[0] = '\0';
  p_ncpus = 0;
  p_fpops = p_iops = p_membw = p_calculated = 0;
  p_vm_extensions_disabled = false;
  m_nbytes = m_cache = m_swap = d_total = d_free = 0;
  os_name[0] = os_version[0] = wsl_version[0] = product_name[0] = virtualbox_version[0] = '\0';
  use_wslc = false;
  wsl.distros.clear();
  opencl_cpu_prop_count = 0;
}

int parse_host_info(HOST_DESC& h, XML_READER& r) {
  h.reset();
  while (!r.next_tag()) {
    if (r.tag_is("/host_info")) return RC_SUCCESS;
    if (r.take_double("p_fpops", h.p_fpops)) {
      h.p_fpops = std::fabs(h.p_fpops);
    } else if (r.take_double("p_iops", h.p_iops)) {
      h.p_iops = std::fabs(h.p_iops);
    } else if (r.take_double("p_membw", h.p_membw)) {
      h.p_membw = std::fabs(h.p_membw);
    } else if (r.take_text("p_features", h.p_features)) {
      for (char* c = h.p_features; *c != '\0'; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    } else if (r.take_double("p_calculated", h.p_calculated) ||
               r.take_flag("p_vm_extensions_disabled", h.p_vm_extensions_disabled) ||
               r.take_text("host_cpid", h.host_cpid) || r.take_int("timezone", h.timezone) ||
               r.take_text("domain_name", h.domain_name) || r.take_text("ip_addr", h.ip_addr) ||
               r.take_int("p_ncpus", h.p_ncpus) || r.take_text("p_vendor", h.p_vendor) ||
               r.take_text("p_model", h.p_model) || r.take_double("m_nbytes", h.m_nbytes) ||
               r.take_double("m_cache", h.m_cache) || r.take_double("m_swap", h.m_swap) ||
               r.take_double("d_total", h.d_total) || r.take_double("d_free", h.d_free) ||
               r.take_text("os_name", h.os_name) || r.take_text("os_version", h.os_version)) {
    } else if (r.tag_is("wsl")) {
      h.wsl.parse(r);
    } else if (r.take_text("wsl_version", h.wsl_version) || r.take_flag("use_wslc", h.use_wslc) ||
               r.take_text("product_name", h.product_name) ||
               r.take_text("virtualbox_version", h.virtualbox_version)) {
    } else if (r.tag_is("coprocs")) {
      parse_coprocs(h.coprocs, r);
    } else if (r.tag_is("opencl_cpu_prop")) {
      OPENCL_CPU_DESC cpu;
      if (parse_opencl_cpu(cpu, r) == RC_SUCCESS && h.opencl_cpu_prop_count < kMaxOpenclCpuProps) {
        h.opencl_cpu_prop[h.opencl_cpu_prop_count++] = cpu;
      }
    }
    // Anything else is passed by item by item: children of an unclaimed
    // element are offered to the readers like direct children.
  }
  return RC_XML_UNEXPECTED;
}
