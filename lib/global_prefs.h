// The user's computing preferences (element "global_preferences"), with
// venues and per-day hours. Parsed and carried; a failure inside the
// element fails the whole init data parse.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "lib/xml_reader.h"

struct HOUR_SPAN {
  bool active = false;
  double start_hour = 0;
  double end_hour = 0;
};

struct WEEK_HOURS {
  HOUR_SPAN base;  // its active flag is never set
  HOUR_SPAN by_weekday[7];
};

// Which preferences a parse accepted, by element name.
struct GLOBAL_PREFS_MASK {
  std::set<std::string> present;
  bool has(const std::string& name) const { return present.count(name) != 0; }
};

struct GLOBAL_PREFS {
  GLOBAL_PREFS();

  double mod_time = 0;
  double battery_charge_min_pct = 90;
  double battery_max_temperature = 40;
  bool confirm_before_connecting = true;
  double cpu_scheduling_period_minutes = 60;
  WEEK_HOURS compute_hours;
  double cpu_usage_limit = 100;
  double daily_xfer_limit_mb = 0;
  std::int32_t daily_xfer_period_days = 0;
  double disk_interval = 60;
  double disk_max_used_gb = 0;
  double disk_max_used_pct = 90;
  double disk_min_free_gb = 0.1;
  bool dont_verify_images = false;
  bool hangup_if_dialed = false;
  double idle_time_to_run = 3;
  bool leave_apps_in_memory = false;
  double max_bytes_sec_down = 0;
  double max_bytes_sec_up = 0;
  std::int32_t max_cpus = 0;
  double max_ncpus_pct = 0;
  WEEK_HOURS network_hours;
  bool network_wifi_only = false;
  double niu_cpu_usage_limit = 100;
  double niu_max_ncpus_pct = 100;
  double niu_suspend_cpu_usage = 50;
  double ram_busy_fraction = 0.5;
  double ram_idle_fraction = 0.9;
  bool run_gpu_if_user_active = false;
  bool run_if_user_active = true;
  bool run_on_batteries = false;
  double suspend_cpu_usage = 25;
  double suspend_if_no_recent_input = 0;
  double vm_max_fraction = 1.0;
  double work_buf_additional_days = 0.5;
  double work_buf_min_days = 0.1;
  char source_project[256] = "";
  char source_scheduler[256] = "";
  bool host_specific = false;

  // Every preference back to its default; mod_time, source_project,
  // source_scheduler and host_specific stay.
  void reset();
};

// Resets the record, applies the values a parse starts from, and reads the
// element after "global_preferences" up to its end tag, taking the values of
// the venue named venue where there is one. Returns 0, or RC_XML_UNEXPECTED
// when the input ends first.
int read_global_prefs(GLOBAL_PREFS& prefs, XML_READER& reader, const char* venue, bool& venue_found,
                      GLOBAL_PREFS_MASK& mask);
