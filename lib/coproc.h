// The host's GPUs and other coprocessors, and the OpenCL descriptions of
// its CPU platforms, as the client lists them inside host_info. Carried, not
// consulted; the parses only have to accept every element.
#pragma once

#include <cstdint>

#include "lib/xml_reader.h"

struct OPENCL_DEVICE_DESC {
  char name[256] = "";
  char vendor[256] = "";
  std::uint32_t vendor_id = 0;
  std::int32_t available = 0;
  std::uint64_t half_fp_config = 0;
  std::uint64_t single_fp_config = 0;
  std::uint64_t double_fp_config = 0;
  std::int32_t endian_little = 0;
  std::uint64_t execution_capabilities = 0;
  char extensions[2048] = "";
  std::uint64_t global_mem_size = 0;
  std::uint64_t local_mem_size = 0;
  std::int32_t max_clock_frequency = 0;
  std::int32_t max_compute_units = 0;
  std::int32_t nv_compute_capability_major = 0;
  std::int32_t nv_compute_capability_minor = 0;
  std::int32_t amd_simd_per_compute_unit = 0;
  std::int32_t amd_simd_width = 0;
  std::int32_t amd_simd_instruction_width = 0;
  char opencl_platform_version[64] = "";
  char opencl_device_version[128] = "";
  std::int32_t device_version_number = 0;      // derived: major * 100 + minor
  std::int32_t device_version_paren_x100 = 0;  // derived: the number in the last parentheses, x100
  char opencl_driver_version[512] = "";
  std::int32_t device_num = 0;
  double peak_flops = 0;
  double opencl_available_ram = 0;
  std::int32_t opencl_device_index = 0;
  bool warn_bad_cuda = false;
};

struct OPENCL_CPU_DESC {
  char platform_vendor[256] = "";
  OPENCL_DEVICE_DESC opencl_device;
};

struct PCI_ADDRESS {
  std::int32_t bus_id = 0;
  std::int32_t device_id = 0;
  std::int32_t domain_id = 0;
};

constexpr int kMaxCoprocInstances = 64;

// What every kind of coprocessor has.
struct COPROC_DESC {
  char type[256] = "";
  std::int32_t count = 0;
  bool non_gpu = false;
  double peak_flops = 0;
  bool have_cuda = false;
  bool have_cal = false;
  bool have_opencl = false;
  bool have_metal = false;
  double available_ram = 0;
  double req_secs = 0;
  double req_instances = 0;
  double estimated_delay = 0;
  std::int32_t device_nums[kMaxCoprocInstances] = {};
  PCI_ADDRESS pci_addresses[kMaxCoprocInstances];
  std::int32_t pci_address_count = 0;
  OPENCL_DEVICE_DESC opencl_device;
};

struct COPROC_NVIDIA : COPROC_DESC {
  COPROC_NVIDIA();
  std::int32_t cudaVersion = 0;
  std::int32_t drvVersion = 0;
  char name[256] = "";
  double totalGlobalMem = 0;
  double sharedMemPerBlock = 0;
  std::int32_t regsPerBlock = 0;
  std::int32_t warpSize = 0;
  double memPitch = 0;
  std::int32_t maxThreadsPerBlock = 0;
  std::int32_t maxThreadsDim[3] = {};
  std::int32_t maxGridSize[3] = {};
  std::int32_t clockRate = 0;
  double totalConstMem = 0;
  std::int32_t major = 0;
  std::int32_t minor = 0;
  double textureAlignment = 0;
  std::int32_t deviceOverlap = 0;
  std::int32_t multiProcessorCount = 0;
};

struct COPROC_ATI : COPROC_DESC {
  COPROC_ATI();
  char name[256] = "";
  char CALVersion[50] = "";
  std::int32_t cal_version_number = 0;  // derived from CALVersion a.b.c
  bool atirt_detected = false;
  bool amdrt_detected = false;
  std::int32_t target = 0;
  std::int32_t localRAM = 0;
  std::int32_t uncachedRemoteRAM = 0;
  std::int32_t cachedRemoteRAM = 0;
  std::int32_t engineClock = 0;
  std::int32_t memoryClock = 0;
  std::int32_t wavefrontSize = 0;
  std::int32_t numberOfSIMD = 0;
  bool doublePrecision = false;
  std::int32_t pitch_alignment = 0;
  std::int32_t surface_alignment = 0;
  std::int32_t maxResource1DWidth = 0;
  std::int32_t maxResource2DWidth = 0;
  std::int32_t maxResource2DHeight = 0;
};

struct COPROC_INTEL : COPROC_DESC {
  COPROC_INTEL();
};

struct COPROC_APPLE : COPROC_DESC {
  COPROC_APPLE();
  char model[256] = "";
  std::int32_t ncores = 0;
  std::int32_t metal_support = 0;
};

constexpr int kMaxCoprocEntries = 8;

struct COPROC_LIST {
  COPROC_LIST();
  // Back to one entry, the "CPU" one, and default working records.
  void reset();

  std::int32_t entry_count = 0;
  COPROC_DESC entries[kMaxCoprocEntries];
  COPROC_NVIDIA nvidia;
  COPROC_ATI ati;
  COPROC_INTEL intel;
  COPROC_APPLE apple;
};

// Reads the elements after "coprocs" up to "/coprocs". Returns 0, or
// RC_XML_UNEXPECTED at the end of input.
int parse_coprocs(COPROC_LIST& list, XML_READER& reader);

// Reads one "opencl_cpu_prop" element. Returns 0 when its end tag was
// reached with a platform vendor, else RC_XML_UNEXPECTED.
int parse_opencl_cpu(OPENCL_CPU_DESC& cpu, XML_READER& reader);

// Reads an OpenCL device description up to end_tag ("/coproc_opencl" or
// "/opencl_cpu_info"). Returns 0 or RC_XML_UNEXPECTED.
int parse_opencl_device(OPENCL_DEVICE_DESC& device, XML_READER& reader, const char* end_tag);
