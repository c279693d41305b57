// What the client tells the job in init_data.xml (root "app_init_data"):
// who it runs for, where the project's files are, which resources it may
// use, how to reach the client. The runtime owns one; the driver holds a
// copy. Copies are deep.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "lib/global_prefs.h"
#include "lib/host_desc.h"
#include "lib/proxy_settings.h"

struct INIT_DATA {
  std::int32_t major_version = 0;
  std::int32_t minor_version = 0;
  std::int32_t release = 0;
  std::int32_t app_version = 0;
  char app_name[256] = "";
  char plan_class[256] = "";
  char symstore[256] = "";
  char acct_mgr_url[256] = "";
  std::optional<std::string> project_preferences;  // the raw element
  std::int32_t userid = 0;
  std::int32_t teamid = 0;
  std::int32_t hostid = 0;
  char user_name[256] = "";
  char team_name[256] = "";
  char project_dir[256] = "";
  char corvo_dir[4096] = "";
  char wu_name[256] = "";
  char result_name[256] = "";
  char authenticator[256] = "";
  std::int32_t slot = 0;
  std::int32_t client_pid = 0;
  double user_total_credit = 0;
  double user_expavg_credit = 0;
  double host_total_credit = 0;
  double host_expavg_credit = 0;
  double resource_share_fraction = 0;
  HOST_DESC host_info;
  PROXY_SETTINGS proxy_info;
  GLOBAL_PREFS global_preferences;
  double starting_elapsed_time = 0;
  bool using_sandbox = false;
  bool vm_extensions_disabled = false;
  double rsc_fpops_est = 0;
  double rsc_fpops_bound = 0;
  double rsc_memory_bound = 0;
  double rsc_disk_bound = 0;
  double computation_deadline = 0;
  double fraction_done_start = 0;
  double fraction_done_end = 0;  // 1.0 once a parse begins
  char gpu_type[64] = "";
  std::int32_t gpu_device_num = -1;
  std::int32_t gpu_opencl_dev_index = -1;
  double gpu_usage = 0;
  double ncpus = 0;
  bool vbox_window = false;
  bool no_priority_change = false;
  std::int32_t process_priority = -1;
  std::int32_t process_priority_special = -1;
  double checkpoint_period = 0;
  char comm_obj_name[256] = "";
  double wu_cpu_time = 0;

  // Every field to its cleared value and the nested records cleared;
  // project_preferences stays.
  void reset();
};

// Reads an open init_data.xml from its start into data. Returns 0,
// RC_XML_UNEXPECTED (no root, or no end tag: the fields read so far stay),
// or the failure of the global preferences or project preferences.
int parse_init_data_file(std::FILE* file, INIT_DATA& data);
