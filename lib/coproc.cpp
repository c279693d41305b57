#include "lib/coproc.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/result_codes.h"
#include "lib/text_util.h"

namespace {

void count_check(COPROC_DESC& coproc, const char* kind) {
  if (coproc.count <= 0) {
    std::fprintf(stderr, "%s count %d too small\n", kind, coproc.count);
    coproc.count = 1;
  } else if (coproc.count > kMaxCoprocInstances) {
    std::fprintf(stderr, "%s count %d too large\n", kind, coproc.count);
    coproc.count = kMaxCoprocInstances;
  }
}

// A number kept within what an int32 holds (NaN gives 0).
std::int32_t clamp_to_int32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(value);
}

// Up to three blank-separated decimal integers.
bool take_int_triple(XML_READER& reader, const char* name, std::int32_t (&values)[3]) {
  char text[256];
  if (!reader.take_text(name, text)) return false;
  std::sscanf(text, "%d %d %d", &values[0], &values[1], &values[2]);
  return true;
}

bool take_bool_from_int(XML_READER& reader, const char* name, bool& value) {
  std::int32_t number = 0;
  if (!reader.take_int(name, number)) return false;
  value = number != 0;
  return true;
}

// The readers that every vendor kind shares.
bool take_common(XML_READER& r, COPROC_DESC& c) {
  return r.take_int("count", c.count) || r.take_double("peak_flops", c.peak_flops) ||
         r.take_flag("have_opencl", c.have_opencl) || r.take_double("available_ram", c.available_ram) ||
         r.take_double("req_secs", c.req_secs) || r.take_double("req_instances", c.req_instances) ||
         r.take_double("estimated_delay", c.estimated_delay);
}

int parse_pci_info(XML_READER& reader, COPROC_DESC& coproc) {
  PCI_ADDRESS address;
  while (!reader.next_tag()) {
    if (reader.tag_is("/pci_info")) {
      if (coproc.pci_address_count < kMaxCoprocInstances) coproc.pci_addresses[coproc.pci_address_count++] = address;
      return RC_SUCCESS;
    }
    reader.take_int("bus_id", address.bus_id) || reader.take_int("device_id", address.device_id) ||
        reader.take_int("domain_id", address.domain_id);
  }
  return RC_XML_UNEXPECTED;
}

double nvidia_peak_flops(const COPROC_NVIDIA& gpu) {
  const OPENCL_DEVICE_DESC& cl = gpu.opencl_device;
  int major = cl.nv_compute_capability_major != 0 ? cl.nv_compute_capability_major : gpu.major;
  int minor = cl.nv_compute_capability_minor != 0 ? cl.nv_compute_capability_minor : gpu.minor;
  int cores = 0, factor = 0;
  switch (major) {
    case 0: break;
    case 1: cores = 8; factor = 3; break;
    case 2: cores = minor != 0 ? 48 : 32; factor = 2; break;
    case 3: cores = 192; factor = 2; break;
    case 6:
    case 8: cores = minor != 0 ? 128 : 64; factor = 2; break;
    case 7: cores = 64; factor = 2; break;
    default: cores = 128; factor = 2; break;
  }
  if (gpu.clockRate != 0) {
    return static_cast<double>(gpu.multiProcessorCount) * gpu.clockRate * cores * factor * 1000.0;
  }
  if (cl.nv_compute_capability_major != 0) {
    std::uint32_t units = static_cast<std::uint32_t>(cores) * static_cast<std::uint32_t>(cl.max_compute_units) *
                          static_cast<std::uint32_t>(factor);
    return static_cast<double>(units) * cl.max_clock_frequency * 1e6;
  }
  if (cl.max_compute_units != 0) {
    return static_cast<double>(static_cast<std::uint32_t>(cl.max_compute_units) *
                               static_cast<std::uint32_t>(cl.max_clock_frequency) * 96u) *
           1e6;
  }
  return 0;
}

double ati_peak_flops(const COPROC_ATI& gpu) {
  const OPENCL_DEVICE_DESC& cl = gpu.opencl_device;
  if (gpu.numberOfSIMD != 0) {
    return static_cast<double>(static_cast<std::uint32_t>(gpu.wavefrontSize) *
                               static_cast<std::uint32_t>(gpu.engineClock) *
                               static_cast<std::uint32_t>(gpu.numberOfSIMD) * 5u) *
           1e6;
  }
  if (cl.amd_simd_per_compute_unit != 0) {
    std::uint32_t units = static_cast<std::uint32_t>(cl.amd_simd_instruction_width) *
                          static_cast<std::uint32_t>(cl.amd_simd_width) *
                          static_cast<std::uint32_t>(cl.max_compute_units) *
                          static_cast<std::uint32_t>(cl.amd_simd_per_compute_unit) * 2u;
    return static_cast<double>(units) * cl.max_clock_frequency * 1e6;
  }
  if (cl.max_compute_units != 0) {
    return static_cast<double>(static_cast<std::uint32_t>(cl.max_compute_units) *
                               static_cast<std::uint32_t>(cl.max_clock_frequency) * 80u) *
           1e6;
  }
  return 0;
}

// Intel and Apple: eight operations per clock and compute unit.
double opencl_peak_flops(const OPENCL_DEVICE_DESC& cl, double without_units) {
  if (cl.max_compute_units == 0) return without_units;
  return static_cast<double>(static_cast<std::uint32_t>(cl.max_compute_units) *
                             static_cast<std::uint32_t>(cl.max_clock_frequency) * 8u) *
         1e6;
}

int parse_nvidia(XML_READER& r, COPROC_NVIDIA& g) {
  while (!r.next_tag()) {
    if (r.tag_is("/coproc_cuda")) {
      if (g.peak_flops == 0) g.peak_flops = nvidia_peak_flops(g);
      if (g.available_ram == 0) g.available_ram = g.totalGlobalMem;
      count_check(g, "NVIDIA");
      return RC_SUCCESS;
    }
    if (take_common(r, g) || r.take_flag("have_cuda", g.have_cuda) || r.take_int("cudaVersion", g.cudaVersion) ||
        r.take_int("drvVersion", g.drvVersion) || r.take_text("name", g.name) ||
        r.take_double("totalGlobalMem", g.totalGlobalMem) || r.take_double("sharedMemPerBlock", g.sharedMemPerBlock) ||
        r.take_int("regsPerBlock", g.regsPerBlock) || r.take_int("warpSize", g.warpSize) ||
        r.take_double("memPitch", g.memPitch) || r.take_int("maxThreadsPerBlock", g.maxThreadsPerBlock) ||
        take_int_triple(r, "maxThreadsDim", g.maxThreadsDim) || take_int_triple(r, "maxGridSize", g.maxGridSize) ||
        r.take_int("clockRate", g.clockRate) || r.take_double("totalConstMem", g.totalConstMem) ||
        r.take_int("major", g.major) || r.take_int("minor", g.minor) ||
        r.take_double("textureAlignment", g.textureAlignment) || r.take_int("deviceOverlap", g.deviceOverlap) ||
        r.take_int("multiProcessorCount", g.multiProcessorCount)) {
      continue;
    }
    if (r.tag_is("pci_info")) {
      if (int result = parse_pci_info(r, g); result != 0) return result;
    } else if (r.tag_is("coproc_opencl")) {
      if (int result = parse_opencl_device(g.opencl_device, r, "/coproc_opencl"); result != 0) return result;
    }
  }
  return RC_XML_UNEXPECTED;
}

int parse_ati(XML_READER& r, COPROC_ATI& g) {
  while (!r.next_tag()) {
    if (r.tag_is("/coproc_ati")) {
      long long a = 0, b = 0, c = 0;
      if (g.CALVersion[0] != '\0' && std::sscanf(g.CALVersion, "%lld.%lld.%lld", &a, &b, &c) == 3) {
        // Computed wide and kept in range: the client's text may be anything.
        g.cal_version_number = clamp_to_int32(static_cast<double>(a) * 10000000 + static_cast<double>(b) * 10000 +
                                              static_cast<double>(c));
      }
      if (g.peak_flops == 0) g.peak_flops = ati_peak_flops(g);
      if (g.available_ram == 0) g.available_ram = g.localRAM * 1048576.0;
      count_check(g, "ATI");
      return RC_SUCCESS;
    }
    if (take_common(r, g) || r.take_flag("have_cal", g.have_cal) || r.take_text("name", g.name) ||
        r.take_text("CALVersion", g.CALVersion) || r.take_flag("atirt_detected", g.atirt_detected) ||
        r.take_flag("amdrt_detected", g.amdrt_detected) || r.take_int("target", g.target) ||
        r.take_int("localRAM", g.localRAM) || r.take_int("uncachedRemoteRAM", g.uncachedRemoteRAM) ||
        r.take_int("cachedRemoteRAM", g.cachedRemoteRAM) || r.take_int("engineClock", g.engineClock) ||
        r.take_int("memoryClock", g.memoryClock) || r.take_int("wavefrontSize", g.wavefrontSize) ||
        r.take_int("numberOfSIMD", g.numberOfSIMD) || take_bool_from_int(r, "doublePrecision", g.doublePrecision) ||
        r.take_int("pitch_alignment", g.pitch_alignment) || r.take_int("surface_alignment", g.surface_alignment) ||
        r.take_int("maxResource1DWidth", g.maxResource1DWidth) ||
        r.take_int("maxResource2DWidth", g.maxResource2DWidth) ||
        r.take_int("maxResource2DHeight", g.maxResource2DHeight)) {
      continue;
    }
    if (r.tag_is("coproc_opencl")) {
      if (int result = parse_opencl_device(g.opencl_device, r, "/coproc_opencl"); result != 0) return result;
    }
  }
  return RC_XML_UNEXPECTED;
}

int parse_intel(XML_READER& r, COPROC_INTEL& g) {
  while (!r.next_tag()) {
    if (r.tag_is("/coproc_intel_gpu")) {
      if (g.peak_flops == 0) g.peak_flops = opencl_peak_flops(g.opencl_device, 0);
      if (g.available_ram == 0) g.available_ram = static_cast<double>(g.opencl_device.global_mem_size);
      count_check(g, "Intel");
      return RC_SUCCESS;
    }
    if (take_common(r, g)) continue;
    if (r.tag_is("coproc_opencl")) {
      if (int result = parse_opencl_device(g.opencl_device, r, "/coproc_opencl"); result != 0) return result;
    }
  }
  return RC_XML_UNEXPECTED;
}

int parse_apple(XML_READER& r, COPROC_APPLE& g) {
  while (!r.next_tag()) {
    if (r.tag_is("/coproc_apple_gpu")) {
      if (g.peak_flops == 0) g.peak_flops = opencl_peak_flops(g.opencl_device, 1e11);
      if (g.available_ram == 0) g.available_ram = static_cast<double>(g.opencl_device.global_mem_size);
      count_check(g, "Apple");
      return RC_SUCCESS;
    }
    if (take_common(r, g) || r.take_text("model", g.model) || r.take_flag("have_metal", g.have_metal) ||
        r.take_int("ncores", g.ncores) || r.take_int("metal_support", g.metal_support)) {
      continue;
    }
    if (r.tag_is("coproc_opencl")) {
      if (int result = parse_opencl_device(g.opencl_device, r, "/coproc_opencl"); result != 0) return result;
    }
  }
  return RC_XML_UNEXPECTED;
}

int parse_generic(XML_READER& r, COPROC_DESC& c) {
  for (int i = 0; i < kMaxCoprocInstances; ++i) c.device_nums[i] = i;
  while (!r.next_tag()) {
    if (r.tag_is("/coproc")) {
      if (c.type[0] == '\0') return RC_XML_UNEXPECTED;
      count_check(c, "generic");
      return RC_SUCCESS;
    }
    char numbers[256];
    if (r.take_text("device_nums", numbers)) {
      char* cursor = numbers;
      for (int i = 0; i < kMaxCoprocInstances; ++i) {
        while (*cursor == ' ') ++cursor;
        if (*cursor == '\0') break;
        c.device_nums[i] = static_cast<std::int32_t>(std::strtol(cursor, nullptr, 10));
        while (*cursor != '\0' && *cursor != ' ') ++cursor;
      }
      continue;
    }
    if (r.take_text("type", c.type) || r.take_int("count", c.count) || r.take_double("req_secs", c.req_secs) ||
        r.take_double("req_instances", c.req_instances) || r.take_double("peak_flops", c.peak_flops) ||
        r.take_flag("non_gpu", c.non_gpu)) {
      continue;
    }
    if (r.tag_is("coproc_opencl")) parse_opencl_device(c.opencl_device, r, "/coproc_opencl");
  }
  return RC_XML_UNEXPECTED;
}

void append_entry(COPROC_LIST& list, const COPROC_DESC& common) {
  if (list.entry_count < kMaxCoprocEntries) list.entries[list.entry_count++] = common;
}

// Parses one vendor element into its working record: a success appends its
// common part, a failure puts the working record back to its default.
template <typename Record, typename Parse>
void take_vendor(COPROC_LIST& list, Record& record, XML_READER& reader, Parse parse) {
  if (parse(reader, record) == RC_SUCCESS) {
    append_entry(list, record);
  } else {
    record = Record();
  }
}

}  // namespace

COPROC_NVIDIA::COPROC_NVIDIA() {
  copy_bounded(type, "NVIDIA", sizeof type);
  estimated_delay = -1;
}

COPROC_ATI::COPROC_ATI() {
  copy_bounded(type, "ATI", sizeof type);
  estimated_delay = -1;
}

COPROC_INTEL::COPROC_INTEL() {
  copy_bounded(type, "intel_gpu", sizeof type);
  estimated_delay = -1;
}

COPROC_APPLE::COPROC_APPLE() {
  copy_bounded(type, "apple_gpu", sizeof type);
  estimated_delay = -1;
}

COPROC_LIST::COPROC_LIST() {
  reset();
  apple = COPROC_APPLE();
}

void COPROC_LIST::reset() {
  for (auto& entry : entries) entry = COPROC_DESC();
  nvidia = COPROC_NVIDIA();
  ati = COPROC_ATI();
  intel = COPROC_INTEL();
  copy_bounded(entries[0].type, "CPU", sizeof entries[0].type);
  entry_count = 1;
}

int parse_coprocs(COPROC_LIST& list, XML_READER& reader) {
  list.reset();
  while (!reader.next_tag()) {
    if (reader.tag_is("/coprocs")) {
      if (list.entry_count == kMaxCoprocEntries) std::fputs("too many coproc entries\n", stderr);
      return RC_SUCCESS;
    }
    if (reader.tag_is("coproc_cuda")) {
      take_vendor(list, list.nvidia, reader, parse_nvidia);
    } else if (reader.tag_is("coproc_ati")) {
      take_vendor(list, list.ati, reader, parse_ati);
    } else if (reader.tag_is("coproc_intel_gpu")) {
      take_vendor(list, list.intel, reader, parse_intel);
    } else if (reader.tag_is("coproc_apple_gpu")) {
      take_vendor(list, list.apple, reader, parse_apple);
    } else if (reader.tag_is("coproc")) {
      COPROC_DESC generic;
      int result = parse_generic(reader, generic);
      if (result != RC_SUCCESS) {
        std::fprintf(stderr, "failed to parse <coproc>: %d\n", result);
      } else {
        append_entry(list, generic);
      }
    }
  }
  return RC_XML_UNEXPECTED;
}

int parse_opencl_cpu(OPENCL_CPU_DESC& cpu, XML_READER& reader) {
  while (!reader.next_tag()) {
    if (reader.tag_is("/opencl_cpu_prop")) {
      return cpu.platform_vendor[0] != '\0' ? RC_SUCCESS : RC_XML_UNEXPECTED;
    }
    if (reader.take_text("platform_vendor", cpu.platform_vendor)) continue;
    if (reader.tag_is("opencl_cpu_info")) {
      if (int result = parse_opencl_device(cpu.opencl_device, reader, "/opencl_cpu_info"); result != 0) return result;
    }
  }
  return RC_XML_UNEXPECTED;
}

int parse_opencl_device(OPENCL_DEVICE_DESC& d, XML_READER& r, const char* end_tag) {
  while (!r.next_tag()) {
    if (r.tag_is(end_tag)) {
      long long major = 0, minor = 0;
      if (std::sscanf(d.opencl_device_version, "OpenCL %lld.%lld", &major, &minor) == 2) {
        d.device_version_number = clamp_to_int32(static_cast<double>(major) * 100 + static_cast<double>(minor));
      }
      const char* paren = std::strrchr(d.opencl_device_version, '(');
      double number = 0;
      d.device_version_paren_x100 = paren != nullptr && std::sscanf(paren, "(%lf", &number) == 1
                                        ? clamp_to_int32(std::floor(number * 100.0 + 0.5))
                                        : 0;
      return RC_SUCCESS;
    }
    std::uint64_t vendor_id = 0;
    if (r.take_uint64("vendor_id", vendor_id)) {
      d.vendor_id = static_cast<std::uint32_t>(vendor_id);
      continue;
    }
    r.take_text("name", d.name) || r.take_text("vendor", d.vendor) || r.take_int("available", d.available) ||
        r.take_uint64("half_fp_config", d.half_fp_config) || r.take_uint64("single_fp_config", d.single_fp_config) ||
        r.take_uint64("double_fp_config", d.double_fp_config) || r.take_int("endian_little", d.endian_little) ||
        r.take_uint64("execution_capabilities", d.execution_capabilities) ||
        r.take_text("extensions", d.extensions) || r.take_uint64("global_mem_size", d.global_mem_size) ||
        r.take_uint64("local_mem_size", d.local_mem_size) ||
        r.take_int("max_clock_frequency", d.max_clock_frequency) ||
        r.take_int("max_compute_units", d.max_compute_units) ||
        r.take_int("nv_compute_capability_major", d.nv_compute_capability_major) ||
        r.take_int("nv_compute_capability_minor", d.nv_compute_capability_minor) ||
        r.take_int("amd_simd_per_compute_unit", d.amd_simd_per_compute_unit) ||
        r.take_int("amd_simd_width", d.amd_simd_width) ||
        r.take_int("amd_simd_instruction_width", d.amd_simd_instruction_width) ||
        r.take_text("opencl_platform_version", d.opencl_platform_version) ||
        r.take_text("opencl_device_version", d.opencl_device_version) ||
        r.take_text("opencl_driver_version", d.opencl_driver_version) || r.take_int("device_num", d.device_num) ||
        r.take_double("peak_flops", d.peak_flops) || r.take_double("opencl_available_ram", d.opencl_available_ram) ||
        r.take_int("opencl_device_index", d.opencl_device_index) || r.take_flag("warn_bad_cuda", d.warn_bad_cuda);
  }
  return RC_XML_UNEXPECTED;
}
