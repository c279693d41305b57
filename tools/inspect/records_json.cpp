#include "tools/inspect/records_json.h"

#include <string>

using nlohmann::ordered_json;

// Each field under its own name: F(x) expands to the pair "x", record.x.
#define F(field) {#field, record.field}
#define T(field) {#field, std::string(record.field)}

namespace {

ordered_json opencl_device_json(const OPENCL_DEVICE_DESC& record) {
  return {T(name), T(vendor), F(vendor_id), F(available), F(half_fp_config), F(single_fp_config),
          F(double_fp_config), F(endian_little), F(execution_capabilities), T(extensions), F(global_mem_size),
          F(local_mem_size), F(max_clock_frequency), F(max_compute_units), F(nv_compute_capability_major),
          F(nv_compute_capability_minor), F(amd_simd_per_compute_unit), F(amd_simd_width),
          F(amd_simd_instruction_width), T(opencl_platform_version), T(opencl_device_version),
          F(device_version_number), F(device_version_paren_x100), T(opencl_driver_version), F(device_num),
          F(peak_flops), F(opencl_available_ram), F(opencl_device_index), F(warn_bad_cuda)};
}

ordered_json coproc_json(const COPROC_DESC& record) {
  ordered_json pci = ordered_json::array();
  for (int i = 0; i < record.pci_address_count; ++i) {
    const PCI_ADDRESS& a = record.pci_addresses[i];
    pci.push_back({{"bus_id", a.bus_id}, {"device_id", a.device_id}, {"domain_id", a.domain_id}});
  }
  ordered_json device_nums = ordered_json::array();
  for (int i = 0; i < record.count && i < kMaxCoprocInstances; ++i) device_nums.push_back(record.device_nums[i]);
  return {T(type), F(count), F(non_gpu), F(peak_flops), F(have_cuda), F(have_cal), F(have_opencl), F(have_metal),
          F(available_ram), F(req_secs), F(req_instances), F(estimated_delay), {"device_nums", device_nums},
          {"pci_addresses", pci}, {"opencl_device", opencl_device_json(record.opencl_device)}};
}

ordered_json distro_json(const WSL_DISTRO_DESC& record) {
  ordered_json gpus = ordered_json::array();
  for (const auto& gpu : record.gpus) {
    gpus.push_back({{"name", gpu.name}, {"has_opencl", gpu.has_opencl}, {"has_cuda", gpu.has_cuda}});
  }
  return {F(distro_name), F(os_name), F(os_version), F(libc_version), F(wsl_version), F(is_default),
          F(disallowed), F(docker_version), F(docker_type), F(docker_compose_version), F(docker_compose_type),
          F(distro_version), {"gpus", gpus}};
}

ordered_json host_json(const HOST_DESC& record) {
  ordered_json distros = ordered_json::array();
  for (const auto& distro : record.wsl.distros) distros.push_back(distro_json(distro));
  ordered_json coprocs = ordered_json::array();
  for (int i = 0; i < record.coprocs.entry_count; ++i) coprocs.push_back(coproc_json(record.coprocs.entries[i]));
  ordered_json cpu_props = ordered_json::array();
  for (int i = 0; i < record.opencl_cpu_prop_count; ++i) {
    const OPENCL_CPU_DESC& cpu = record.opencl_cpu_prop[i];
    cpu_props.push_back({{"platform_vendor", std::string(cpu.platform_vendor)},
                         {"opencl_device", opencl_device_json(cpu.opencl_device)}});
  }
  return {F(timezone), T(domain_name), T(ip_addr), T(host_cpid), F(p_ncpus), T(p_vendor), T(p_model),
          T(p_features), F(p_fpops), F(p_iops), F(p_membw), F(p_calculated), F(p_vm_extensions_disabled),
          F(m_nbytes), F(m_cache), F(m_swap), F(d_total), F(d_free), T(os_name), T(os_version), T(wsl_version),
          F(use_wslc), {"wsl", distros}, T(product_name), T(virtualbox_version), {"coprocs", coprocs},
          {"opencl_cpu_prop", cpu_props}};
}

ordered_json proxy_json(const PROXY_SETTINGS& record) {
  return {F(have_proxy_server), F(use_http_proxy), F(use_http_auth), T(http_server_name), F(http_server_port),
          T(http_user_name), T(http_user_passwd), F(use_socks_proxy), T(socks_server_name), F(socks_server_port),
          T(socks5_user_name), T(socks5_user_passwd), F(socks5_remote_dns), T(no_proxy), F(no_autodetect)};
}

ordered_json span_json(const HOUR_SPAN& span) {
  return {{"active", span.active}, {"start_hour", span.start_hour}, {"end_hour", span.end_hour}};
}

ordered_json week_json(const WEEK_HOURS& week) {
  ordered_json days = ordered_json::array();
  for (const auto& day : week.by_weekday) days.push_back(span_json(day));
  return {{"start_hour", week.base.start_hour}, {"end_hour", week.base.end_hour}, {"by_weekday", days}};
}

ordered_json prefs_json(const GLOBAL_PREFS& record) {
  return {F(mod_time), F(battery_charge_min_pct), F(battery_max_temperature), F(confirm_before_connecting),
          F(cpu_scheduling_period_minutes), {"compute_hours", week_json(record.compute_hours)},
          F(cpu_usage_limit), F(daily_xfer_limit_mb), F(daily_xfer_period_days), F(disk_interval),
          F(disk_max_used_gb), F(disk_max_used_pct), F(disk_min_free_gb), F(dont_verify_images),
          F(hangup_if_dialed), F(idle_time_to_run), F(leave_apps_in_memory), F(max_bytes_sec_down),
          F(max_bytes_sec_up), F(max_cpus), F(max_ncpus_pct), {"network_hours", week_json(record.network_hours)},
          F(network_wifi_only), F(niu_cpu_usage_limit), F(niu_max_ncpus_pct), F(niu_suspend_cpu_usage),
          F(ram_busy_fraction), F(ram_idle_fraction), F(run_gpu_if_user_active), F(run_if_user_active),
          F(run_on_batteries), F(suspend_cpu_usage), F(suspend_if_no_recent_input), F(vm_max_fraction),
          F(work_buf_additional_days), F(work_buf_min_days), T(source_project), T(source_scheduler),
          F(host_specific)};
}

}  // namespace

ordered_json init_data_json(const INIT_DATA& record) {
  ordered_json preferences = nullptr;
  if (record.project_preferences) preferences = *record.project_preferences;
  return {F(major_version), F(minor_version), F(release), F(app_version), T(app_name), T(plan_class),
          T(symstore), T(acct_mgr_url), {"project_preferences", preferences}, F(userid), F(teamid), F(hostid),
          T(user_name), T(team_name), T(project_dir), T(corvo_dir), T(wu_name), T(result_name),
          T(authenticator), F(slot), F(client_pid), F(user_total_credit), F(user_expavg_credit),
          F(host_total_credit), F(host_expavg_credit), F(resource_share_fraction),
          {"host_info", host_json(record.host_info)}, {"proxy_info", proxy_json(record.proxy_info)},
          {"global_preferences", prefs_json(record.global_preferences)}, F(starting_elapsed_time),
          F(using_sandbox), F(vm_extensions_disabled), F(rsc_fpops_est), F(rsc_fpops_bound), F(rsc_memory_bound),
          F(rsc_disk_bound), F(computation_deadline), F(fraction_done_start), F(fraction_done_end), T(gpu_type),
          F(gpu_device_num), F(gpu_opencl_dev_index), F(gpu_usage), F(ncpus), F(vbox_window),
          F(no_priority_change), F(process_priority), F(process_priority_special), F(checkpoint_period),
          T(comm_obj_name), F(wu_cpu_time)};
}
