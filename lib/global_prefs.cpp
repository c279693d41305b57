#include "lib/global_prefs.h"

#include <cstring>

#include "lib/clock.h"
#include "lib/result_codes.h"
#include "lib/text_util.h"
#include "lib/xml_scan.h"

namespace {

// The flags whose values at the start of a parse differ from the defaults.
void apply_parse_start_flags(GLOBAL_PREFS& p) {
  p.confirm_before_connecting = false;
  p.dont_verify_images = false;
  p.hangup_if_dialed = false;
  p.leave_apps_in_memory = false;
  p.network_wifi_only = true;
  p.run_if_user_active = false;
  p.run_on_batteries = false;
}

int parse_day(GLOBAL_PREFS& p, XML_READER& r) {
  std::int32_t day = -1;
  double start = 0, end = 0, net_start = 0, net_end = 0;
  bool cpu_given = false, net_given = false;
  while (!r.next_tag()) {
    if (!r.last_was_tag) continue;
    if (r.tag_is("/day_prefs")) {
      if (day < 0 || day > 6) return RC_XML_UNEXPECTED;
      if (cpu_given && start != end) p.compute_hours.by_weekday[day] = {true, start, end};
      if (net_given && net_start != net_end) p.network_hours.by_weekday[day] = {true, net_start, net_end};
      return RC_SUCCESS;
    }
    if (r.take_int("day_of_week", day)) continue;
    if (r.take_double("start_hour", start) || r.take_double("end_hour", end)) {
      cpu_given = true;
    } else if (r.take_double("net_start_hour", net_start) || r.take_double("net_end_hour", net_end)) {
      net_given = true;
    } else {
      r.skip_element(r.tag, true, "GLOBAL_PREFS::parse_day");
    }
  }
  return RC_XML_UNEXPECTED;
}

// Offers the current tag to the preference readers. Returns false when
// none claims it.
bool take_preference(GLOBAL_PREFS& p, XML_READER& r, GLOBAL_PREFS_MASK& mask) {
  double d = 0;
  std::int32_t i = 0;
  auto mark = [&](const char* name) {
    mask.present.insert(name);
    return true;
  };
  auto take_plain = [&](const char* name, double& field) { return r.take_double(name, field) && mark(name); };
  auto take_flag = [&](const char* name, bool& field) { return r.take_flag(name, field) && mark(name); };
  auto not_negative = [&](const char* name, double& field) {
    if (!r.take_double(name, d)) return false;
    field = !(d >= 0) ? 0 : d;  // NaN too
    return mark(name);
  };
  auto percent_to_100 = [&](const char* name, double& field) {
    if (!r.take_double(name, d)) return false;
    field = (!(d > 0) || d > 100) ? 100 : d;  // NaN is not above 0
    return mark(name);
  };
  auto fraction = [&](const char* name, double& field, bool zero_is_full) {
    if (!r.take_double(name, d)) return false;
    if (zero_is_full && d == 0) d = 100;
    field = d * 0.01;
    return mark(name);
  };

  if (take_plain("battery_charge_min_pct", p.battery_charge_min_pct) ||
      take_plain("battery_max_temperature", p.battery_max_temperature) ||
      take_flag("confirm_before_connecting", p.confirm_before_connecting)) {
    return true;
  }
  if (r.take_double("cpu_scheduling_period_minutes", d)) {
    p.cpu_scheduling_period_minutes = d < 0.0001 ? 60 : d;
    return mark("cpu_scheduling_period_minutes");
  }
  if (take_plain("start_hour", p.compute_hours.base.start_hour) ||
      take_plain("end_hour", p.compute_hours.base.end_hour)) {
    return true;
  }
  if (r.tag_is("day_prefs")) {
    parse_day(p, r);
    return true;
  }
  if (r.take_double("cpu_usage_limit", d)) {
    if (d > 0 && d <= 100) {
      p.cpu_usage_limit = d;
      mark("cpu_usage_limit");
    }
    return true;
  }
  if (r.take_double("daily_xfer_limit_mb", d)) {
    if (d >= 0) {
      p.daily_xfer_limit_mb = d;
      mark("daily_xfer_limit_mb");
    }
    return true;
  }
  if (r.take_int("daily_xfer_period_days", i)) {
    if (i >= 0) {
      p.daily_xfer_period_days = i;
      mark("daily_xfer_period_days");
    }
    return true;
  }
  if (not_negative("disk_interval", p.disk_interval) || take_plain("disk_max_used_gb", p.disk_max_used_gb) ||
      take_plain("disk_max_used_pct", p.disk_max_used_pct) || take_plain("disk_min_free_gb", p.disk_min_free_gb) ||
      take_flag("dont_verify_images", p.dont_verify_images) || take_flag("hangup_if_dialed", p.hangup_if_dialed) ||
      take_plain("idle_time_to_run", p.idle_time_to_run) ||
      take_flag("leave_apps_in_memory", p.leave_apps_in_memory) ||
      not_negative("max_bytes_sec_down", p.max_bytes_sec_down) ||
      not_negative("max_bytes_sec_up", p.max_bytes_sec_up)) {
    return true;
  }
  if (r.take_int("max_cpus", i)) {
    p.max_cpus = i < 0 ? 0 : i;
    return mark("max_cpus");
  }
  if (r.take_double("max_ncpus_pct", d)) {
    p.max_ncpus_pct = !(d >= 0) ? 0 : (d > 100 ? 100 : d);
    return mark("max_ncpus_pct");
  }
  if (take_plain("net_start_hour", p.network_hours.base.start_hour) ||
      take_plain("net_end_hour", p.network_hours.base.end_hour) ||
      r.take_flag("network_wifi_only", p.network_wifi_only) ||
      percent_to_100("niu_cpu_usage_limit", p.niu_cpu_usage_limit) ||
      percent_to_100("niu_max_ncpus_pct", p.niu_max_ncpus_pct) ||
      take_plain("niu_suspend_cpu_usage", p.niu_suspend_cpu_usage) ||
      fraction("ram_max_used_busy_pct", p.ram_busy_fraction, true) ||
      fraction("ram_max_used_idle_pct", p.ram_idle_fraction, true) ||
      take_flag("run_gpu_if_user_active", p.run_gpu_if_user_active) ||
      take_flag("run_if_user_active", p.run_if_user_active) || take_flag("run_on_batteries", p.run_on_batteries) ||
      take_plain("suspend_cpu_usage", p.suspend_cpu_usage) ||
      take_plain("suspend_if_no_recent_input", p.suspend_if_no_recent_input) ||
      fraction("vm_max_used_pct", p.vm_max_fraction, false) ||
      not_negative("work_buf_additional_days", p.work_buf_additional_days) ||
      not_negative("work_buf_min_days", p.work_buf_min_days) || r.take_flag("host_specific", p.host_specific)) {
    return true;
  }
  return false;
}

void finish_override(GLOBAL_PREFS& p, GLOBAL_PREFS_MASK& mask) {
  if (p.compute_hours.base.end_hour == p.compute_hours.base.start_hour) {
    mask.present.erase("start_hour");
    mask.present.erase("end_hour");
  }
  if (p.network_hours.base.end_hour == p.network_hours.base.start_hour) {
    mask.present.erase("net_start_hour");
    mask.present.erase("net_end_hour");
  }
  if (!mask.has("niu_max_ncpus_pct")) p.niu_max_ncpus_pct = p.max_ncpus_pct;
  if (!mask.has("niu_cpu_usage_limit")) p.niu_cpu_usage_limit = p.cpu_usage_limit;
  if (!mask.has("niu_suspend_cpu_usage")) p.niu_suspend_cpu_usage = p.suspend_cpu_usage;
}

int parse_override(GLOBAL_PREFS& p, XML_READER& r, const char* venue, bool& found, GLOBAL_PREFS_MASK& mask) {
  found = false;
  mask.present.clear();
  bool inside_venue = false, venue_applies = false;
  char attributes[256];
  while (!r.next_tag(attributes, sizeof attributes)) {
    if (!r.last_was_tag || r.tag_is("global_preferences")) continue;
    if (r.tag_is("/global_preferences")) {
      finish_override(p, mask);
      return RC_SUCCESS;
    }
    // These are taken wherever they stand, in a venue or not.
    if (r.take_text("source_project", p.source_project) || r.take_text("source_scheduler", p.source_scheduler)) {
      continue;
    }
    double mod_time = 0;
    if (r.take_double("mod_time", mod_time)) {
      double now = now_seconds();
      p.mod_time = mod_time > now ? now : mod_time;
      continue;
    }
    if (inside_venue) {
      if (r.tag_is("/venue")) {
        inside_venue = false;
        continue;
      }
      if (!venue_applies) continue;
    } else if (std::strstr(r.tag, "venue") != nullptr) {
      inside_venue = true;
      char name[256];
      attribute_value(attributes, "name", name, sizeof name);
      venue_applies = std::strcmp(name, venue) == 0;
      if (venue_applies) {
        p.reset();
        apply_parse_start_flags(p);
        mask.present.clear();
        found = true;
      }
      continue;
    } else if (found) {
      continue;  // the matching venue's values win over the top level
    }
    if (!take_preference(p, r, mask)) r.skip_element(r.tag, false, "GLOBAL_PREFS::parse_override");
  }
  return RC_XML_UNEXPECTED;
}

}  // namespace

GLOBAL_PREFS::GLOBAL_PREFS() = default;

void GLOBAL_PREFS::reset() {
  GLOBAL_PREFS defaults;
  defaults.mod_time = mod_time;
  copy_bounded(defaults.source_project, source_project, sizeof defaults.source_project);
  copy_bounded(defaults.source_scheduler, source_scheduler, sizeof defaults.source_scheduler);
  defaults.host_specific = host_specific;
  *this = defaults;
}

int read_global_prefs(GLOBAL_PREFS& prefs, XML_READER& reader, const char* venue, bool& venue_found,
                      GLOBAL_PREFS_MASK& mask) {
  prefs.reset();
  prefs.mod_time = 0;
  prefs.source_project[0] = '\0';
  prefs.source_scheduler[0] = '\0';
  prefs.host_specific = false;
  apply_parse_start_flags(prefs);
  return parse_override(prefs, reader, venue, venue_found, mask);
}
