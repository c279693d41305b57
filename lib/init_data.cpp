#include "lib/init_data.h"

#include <cstring>
#include <memory>

#include "lib/clock.h"
#include "lib/result_codes.h"
#include "lib/time_text.h"
#include "lib/xml_scan.h"

void INIT_DATA::reset() {
  // A fresh record holds the cleared values; the nested records clear by
  // their own rules, which keep some of their parts. On the heap: the
  // record is large.
  auto cleared = std::make_unique<INIT_DATA>();
  cleared->project_preferences = std::move(project_preferences);
  cleared->host_info = host_info;
  cleared->host_info.reset();
  cleared->global_preferences = global_preferences;
  cleared->global_preferences.reset();
  *this = std::move(*cleared);
}

namespace {

bool take_field(XML_READER& r, INIT_DATA& d) {
  if (r.take_text("user_name", d.user_name)) {
    decode_entities(d.user_name);  // the client encodes these twice
    return true;
  }
  if (r.take_text("team_name", d.team_name)) {
    decode_entities(d.team_name);
    return true;
  }
  return r.take_int("major_version", d.major_version) || r.take_int("minor_version", d.minor_version) ||
         r.take_int("release", d.release) || r.take_int("app_version", d.app_version) ||
         r.take_text("app_name", d.app_name) || r.take_text("plan_class", d.plan_class) ||
         r.take_text("symstore", d.symstore) || r.take_text("acct_mgr_url", d.acct_mgr_url) ||
         r.take_int("userid", d.userid) || r.take_int("teamid", d.teamid) || r.take_int("hostid", d.hostid) ||
         r.take_text("project_dir", d.project_dir) || r.take_text("corvo_dir", d.corvo_dir) ||
         r.take_text("wu_name", d.wu_name) || r.take_text("result_name", d.result_name) ||
         r.take_text("authenticator", d.authenticator) || r.take_int("slot", d.slot) ||
         r.take_int("client_pid", d.client_pid) || r.take_double("user_total_credit", d.user_total_credit) ||
         r.take_double("user_expavg_credit", d.user_expavg_credit) ||
         r.take_double("host_total_credit", d.host_total_credit) ||
         r.take_double("host_expavg_credit", d.host_expavg_credit) ||
         r.take_double("resource_share_fraction", d.resource_share_fraction) ||
         r.take_double("starting_elapsed_time", d.starting_elapsed_time) ||
         r.take_flag("using_sandbox", d.using_sandbox) ||
         r.take_flag("vm_extensions_disabled", d.vm_extensions_disabled) ||
         r.take_double("rsc_fpops_est", d.rsc_fpops_est) || r.take_double("rsc_fpops_bound", d.rsc_fpops_bound) ||
         r.take_double("rsc_memory_bound", d.rsc_memory_bound) ||
         r.take_double("rsc_disk_bound", d.rsc_disk_bound) ||
         r.take_double("computation_deadline", d.computation_deadline) ||
         r.take_double("fraction_done_start", d.fraction_done_start) ||
         r.take_double("fraction_done_end", d.fraction_done_end) || r.take_text("gpu_type", d.gpu_type) ||
         r.take_int("gpu_device_num", d.gpu_device_num) ||
         r.take_int("gpu_opencl_dev_index", d.gpu_opencl_dev_index) || r.take_double("gpu_usage", d.gpu_usage) ||
         r.take_double("ncpus", d.ncpus) || r.take_flag("vbox_window", d.vbox_window) ||
         r.take_flag("no_priority_change", d.no_priority_change) ||
         r.take_int("process_priority", d.process_priority) ||
         r.take_int("process_priority_special", d.process_priority_special) ||
         r.take_double("checkpoint_period", d.checkpoint_period) ||
         r.take_text("comm_obj_name", d.comm_obj_name) || r.take_double("wu_cpu_time", d.wu_cpu_time);
}

const char* now_text() { return time_text(now_seconds(), false); }

}  // namespace

int parse_init_data_file(std::FILE* file, INIT_DATA& data) {
  TEXT_SOURCE source(file);
  XML_READER reader(&source);
  if (!reader.expect_root("app_init_data")) {
    std::fprintf(stderr, "%s: no start tag in app init data\n", now_text());
    return RC_XML_UNEXPECTED;
  }
  data.project_preferences.reset();
  data.reset();
  data.fraction_done_start = 0;
  data.fraction_done_end = 1.0;
  for (;;) {
    if (reader.next_tag()) {
      std::fprintf(stderr, "%s: parse_init_data_file: no end tag\n", now_text());
      return RC_XML_UNEXPECTED;
    }
    if (!reader.last_was_tag) {
      std::fprintf(stderr, "%s: unexpected text in init_data.xml: %s\n", now_text(), reader.tag);
      continue;
    }
    if (reader.tag_is("/app_init_data")) return RC_SUCCESS;
    if (reader.tag_is("project_preferences")) {
      data.project_preferences.reset();
      if (int result = copy_element_raw(source, "project_preferences", data.project_preferences); result != 0) {
        return result;
      }
    } else if (reader.tag_is("global_preferences")) {
      bool venue_found = false;
      GLOBAL_PREFS_MASK mask;
      if (int result = read_global_prefs(data.global_preferences, reader, "", venue_found, mask); result != 0) {
        return result;
      }
    } else if (reader.tag_is("host_info")) {
      parse_host_info(data.host_info, reader);
    } else if (reader.tag_is("proxy_info")) {
      parse_proxy_info(data.proxy_info, reader);
    } else if (!take_field(reader, data)) {
      reader.skip_element(reader.tag, false, "parse_init_data_file");
    }
  }
}
