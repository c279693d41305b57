# Every source file of the build, by name: a file is built (or run as a
# test) only when it is listed here. check_listed() below fails the
# configuration when a file in these directories is missing from its list.

set(PLATFORM_POSIX_SOURCES
  platform/posix/build_mutex.cpp
  platform/posix/child_process.cpp
  platform/posix/client_install.cpp
  platform/posix/clock.cpp
  platform/posix/crash_report.cpp
  platform/posix/dir_search.cpp
  platform/posix/environment.cpp
  platform/posix/file_lock.cpp
  platform/posix/files.cpp
  platform/posix/interrupts.cpp
  platform/posix/local_socket.cpp
  platform/posix/network_probe.cpp
  platform/posix/piped_process.cpp
  platform/posix/process.cpp
  platform/posix/process_table.cpp
  platform/posix/program_run.cpp
  platform/posix/shared_block.cpp
  platform/posix/shell_capture.cpp
  platform/posix/slot_file.cpp
  platform/posix/slot_open.cpp
  platform/posix/socket.cpp
  platform/posix/stderr_capture.cpp
  platform/posix/streams.cpp
  platform/posix/system_error.cpp
  platform/posix/threads.cpp
)

set(PLATFORM_WIN32_SOURCES
  platform/win32/build_mutex.cpp
  platform/win32/child_process.cpp
  platform/win32/client_install.cpp
  platform/win32/clock.cpp
  platform/win32/crash_report.cpp
  platform/win32/dir_search.cpp
  platform/win32/environment.cpp
  platform/win32/file_lock.cpp
  platform/win32/files.cpp
  platform/win32/interrupts.cpp
  platform/win32/local_socket.cpp
  platform/win32/network_probe.cpp
  platform/win32/piped_process.cpp
  platform/win32/process.cpp
  platform/win32/process_start.cpp
  platform/win32/process_table.cpp
  platform/win32/program_run.cpp
  platform/win32/shared_block.cpp
  platform/win32/shell_capture.cpp
  platform/win32/slot_file.cpp
  platform/win32/slot_open.cpp
  platform/win32/socket.cpp
  platform/win32/stderr_capture.cpp
  platform/win32/streams.cpp
  platform/win32/system_error.cpp
  platform/win32/threads.cpp
  platform/win32/wide_text.cpp
)

# Shared by both systems.
set(PLATFORM_COMMON_SOURCES
  platform/temporary_name.cpp
  platform/terminal_text.cpp
  platform/windows_arguments.cpp
)

# Everything above the platform layer.
set(CORE_SOURCES
  driver/bounded_output.cpp
  driver/build_lock.cpp
  driver/cleanup.cpp
  driver/client_control.cpp
  driver/command_line.cpp
  driver/container_counters.cpp
  driver/container_create.cpp
  driver/container_state.cpp
  driver/container_stats.cpp
  driver/engine_call.cpp
  driver/engine_faults.cpp
  driver/engine_policy.cpp
  driver/image.cpp
  driver/job_config.cpp
  driver/job_lifecycle.cpp
  driver/job_names.cpp
  driver/job_runtime.cpp
  driver/live_log.cpp
  driver/network_wait.cpp
  driver/progress.cpp
  driver/shell_words.cpp
  engine/cgroup_counters.cpp
  engine/direct_transport.cpp
  engine/distro_choice.cpp
  engine/docker_api.cpp
  engine/docker_conn.cpp
  engine/engine_command.cpp
  engine/engine_dialect.cpp
  engine/engine_json.cpp
  engine/engine_reply.cpp
  engine/engine_type.cpp
  engine/read_until.cpp
  engine/reply_marker.cpp
  engine/shell_transport.cpp
  engine/text_reply_dialects.cpp
  engine/wsl_cmd.cpp
  engine/wsl_init.cpp
  engine/wslc_dialect.cpp
  lib/clock.cpp
  lib/coproc.cpp
  lib/dir_listing.cpp
  lib/exclusive_file_lock.cpp
  lib/file_util.cpp
  lib/global_prefs.cpp
  lib/host_desc.cpp
  lib/init_data.cpp
  lib/proxy_settings.cpp
  lib/result_codes.cpp
  lib/system_info.cpp
  lib/text_source.cpp
  lib/text_util.cpp
  lib/time_text.cpp
  lib/version.cpp
  lib/wsl_distro.cpp
  lib/xml_reader.cpp
  lib/xml_scan.cpp
  runtime/corvo_api.cpp
  runtime/diagnostics.cpp
  runtime/direct_action.cpp
  runtime/finish.cpp
  runtime/log_prefix.cpp
  runtime/reporting.cpp
  runtime/shared_channels.cpp
  runtime/startup.cpp
  runtime/timer.cpp
  toml/reader.cpp
  toml/scanner.cpp
  toml/value.cpp
)

set(SIM_SOURCES
  tools/corvo_sim/corvo_sim.cpp
  tools/corvo_sim/sim_options.cpp
)

set(INSPECT_SOURCES
  tools/inspect/quayside_inspect.cpp
  tools/inspect/records_json.cpp
  tools/inspect/toml_json.cpp
)

set(BENCH_SOURCES
  bench/engine_round_trip.cpp
  bench/init_data_read.cpp
  bench/log_copy.cpp
  bench/watch_cost.cpp
)

# Unit tests: *_posix_test.cpp run on Linux only, *_windows_test.cpp on Windows only.
set(UNIT_TEST_SOURCES
  driver/bounded_output_test.cpp
  driver/command_line_test.cpp
  driver/container_counters_test.cpp
  driver/container_state_test.cpp
  driver/container_stats_test.cpp
  driver/engine_policy_test.cpp
  driver/engine_words_posix_test.cpp
  driver/image_and_create_test.cpp
  driver/image_posix_test.cpp
  driver/job_config_test.cpp
  driver/job_lifecycle_test.cpp
  driver/job_names_test.cpp
  driver/prepare_job_test.cpp
  driver/progress_posix_test.cpp
  driver/progress_test.cpp
  driver/shell_words_test.cpp
  engine/cgroup_counters_test.cpp
  engine/docker_api_test.cpp
  engine/engine_command_test.cpp
  engine/engine_dialect_test.cpp
  engine/engine_posix_test.cpp
  engine/engine_type_test.cpp
  engine/read_until_test.cpp
  engine/reply_marker_test.cpp
  engine/shell_path_posix_test.cpp
  engine/wsl_cmd_test.cpp
  engine/wsl_launch_windows_test.cpp
  lib/coproc_test.cpp
  lib/file_util_posix_test.cpp
  lib/file_util_test.cpp
  lib/global_prefs_test.cpp
  lib/host_desc_test.cpp
  lib/init_data_test.cpp
  lib/proxy_settings_test.cpp
  lib/result_codes_test.cpp
  lib/text_util_test.cpp
  lib/time_text_test.cpp
  lib/wsl_distro_test.cpp
  lib/xml_reader_test.cpp
  platform/crash_report_windows_test.cpp
  platform/handles_windows_test.cpp
  platform/interrupts_windows_test.cpp
  platform/local_socket_posix_test.cpp
  platform/platform_posix_test.cpp
  platform/platform_test.cpp
  platform/program_run_windows_test.cpp
  platform/shell_capture_posix_test.cpp
  platform/slot_files_posix_test.cpp
  platform/slot_files_windows_test.cpp
  platform/terminal_text_test.cpp
  platform/wide_text_windows_test.cpp
  platform/windows_arguments_test.cpp
  runtime/client_requests_test.cpp
  runtime/diagnostics_test.cpp
  runtime/direct_action_test.cpp
  runtime/log_prefix_test.cpp
  runtime/reporting_test.cpp
  runtime/runtime_posix_test.cpp
  runtime/shared_channels_test.cpp
  runtime/timer_test.cpp
  toml/reader_test.cpp
  toml/scanner_test.cpp
  toml/value_test.cpp
)

set(E2E_TEST_SCRIPTS
  tests/e2e/client_control_test.sh
  tests/e2e/client_loss_test.sh
  tests/e2e/container_ops_test.sh
  tests/e2e/docker_cpu_test.sh
  tests/e2e/docker_job_test.sh
  tests/e2e/docker_many_jobs_test.sh
  tests/e2e/fake_engine_failures_test.sh
  tests/e2e/fake_engine_faults_test.sh
  tests/e2e/fake_engine_life_test.sh
  tests/e2e/inspect_test.sh
  tests/e2e/job_mistakes_test.sh
  tests/e2e/log_cap_test.sh
  tests/e2e/planted_slot_test.sh
  tests/e2e/podman_client_test.sh
  tests/e2e/podman_cpu_test.sh
  tests/e2e/podman_example_test.sh
  tests/e2e/podman_lost_test.sh
  tests/e2e/podman_many_jobs_test.sh
  tests/e2e/podman_names_test.sh
  tests/e2e/podman_planted_test.sh
  tests/e2e/podman_restart_test.sh
  tests/e2e/podman_standalone_test.sh
  tests/e2e/podman_stop_test.sh
  tests/e2e/requests_and_exits_test.sh
  tests/e2e/slot_lock_test.sh
  tests/e2e/terminal_test.sh
)

set(FUZZ_SOURCES
  fuzz/client_messages_fuzz.cpp
  fuzz/engine_replies_fuzz.cpp
  fuzz/init_data_fuzz.cpp
  fuzz/option_words_fuzz.cpp
  fuzz/reply_reader_fuzz.cpp
  fuzz/toml_fuzz.cpp
)

# Fails when a file matching one of the patterns is not in the list.
function(check_listed list_name)
  file(GLOB found RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${ARGN})
  foreach(file ${found})
    if(NOT file IN_LIST ${list_name})
      message(FATAL_ERROR "${file} is not listed in cmake/sources.cmake (${list_name})")
    endif()
  endforeach()
endfunction()
check_listed(PLATFORM_POSIX_SOURCES platform/posix/*.cpp)
check_listed(PLATFORM_WIN32_SOURCES platform/win32/*.cpp)
set(ALL_CPP ${PLATFORM_COMMON_SOURCES} ${CORE_SOURCES} ${UNIT_TEST_SOURCES})
check_listed(ALL_CPP platform/*.cpp lib/*.cpp toml/*.cpp runtime/*.cpp engine/*.cpp driver/*.cpp)
check_listed(SIM_SOURCES tools/corvo_sim/*.cpp)
check_listed(INSPECT_SOURCES tools/inspect/*.cpp)
check_listed(BENCH_SOURCES bench/*.cpp)
check_listed(E2E_TEST_SCRIPTS tests/e2e/*_test.sh)
check_listed(FUZZ_SOURCES fuzz/*_fuzz.cpp)
