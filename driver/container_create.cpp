#include "driver/container_create.h"

#include <cstdio>
#include <vector>

#include "driver/container_op.h"
#include "driver/image.h"
#include "driver/shell_words.h"
#include "lib/result_codes.h"
#include "lib/time_text.h"
#include "lib/clock.h"
#include "lib/system_info.h"
#include "platform/socket.h"

int alloc_host_port(int& port) {
  platform::PortStep step = platform::PortStep::socket;
  int error = 0;
  if (platform::free_loopback_port(port, step, error)) return 0;
  switch (step) {
    case platform::PortStep::socket: {
      char text[256];
      std::fprintf(stderr, "%s socket(): %s\n", time_text(now_seconds(), false),
                   system_error_text(error, text, sizeof text));
      return RC_SOCKET_FAILED;
    }
    case platform::PortStep::bind: return RC_BIND_FAILED;
    case platform::PortStep::name: return error;
  }
  return error;
}

std::string create_command(JOB& job) {
  const JOB_CONFIG& c = job.config;
  std::string workdir_mount = " -v \"" + job.context_dir + "/\":\"" + c.workdir + "\"";
  std::string project_mount;
  if (!c.project_dir_mount.empty()) {
    std::string source = job.standalone ? job.context_dir + "/" + job.project_name + "/"
                                        : job.context_dir + "/../../projects/" + job.project_name + "/";
    project_mount = " -v \"" + source + "\":\"" + c.project_dir_mount + "\"";
  }
  std::string command = "create --name " + job.job_container + " " + workdir_mount + " " + project_mount;
  if (!job.job_args.empty()) {
    command += " -e ARGS=\"";
    for (const auto& argument : job.job_args) command += " " + escape_in_double_quotes(argument);
    command += "\"";
  }
  for (const auto& m : c.mount) command += " -v " + shell_word(m);
  for (const auto& p : c.portmap) command += " -p " + shell_word(p);
  if (job.init_data.ncpus > 1.0) {
    char cpus[64];
    std::snprintf(cpus, sizeof cpus, " --cpus %f", job.init_data.ncpus);
    command += cpus;
  }
  if (c.use_gpu) command += " --gpus all";
  if (c.web_graphics_guest_port != 0) {
    int host_port = 0;
    int result = alloc_host_port(host_port);
    if (result != 0) {
      std::fprintf(stderr, "can't allocate host port for web graphics: %s\n", result_text(result));
    } else {
      std::fprintf(stderr, "web graphics: host port %d, guest port %d\n", host_port, c.web_graphics_guest_port);
      command += " -p " + std::to_string(host_port) + ":" + std::to_string(c.web_graphics_guest_port);
      job.runtime->announce_web_graphics(("http://localhost:" + std::to_string(host_port)).c_str());
    }
  }
  if (!c.create_args.empty()) command += " " + c.create_args;
  if (job.engine->engine_type() == ENGINE_PODMAN) command += " --log-driver=k8s-file";
  return command + " " + job.job_image;
}

int create_container(JOB& job) {
  bool exists = false;
  int result = image_exists(job, exists);
  if (result != 0) {
    std::fprintf(stderr, "image_exists() failed: %d\n", result);
    job.runtime->finish(1);
  }
  if (!exists) {
    if (job.verbose() != 0) std::fputs("building image\n", stderr);
    result = build_image(job);
    if (result != 0) {
      std::fprintf(stderr, "build_image() failed: %d\n", result);
      job.runtime->finish(1);
    }
  }
  std::vector<std::string> lines;
  result = job.engine->run_engine_command(create_command(job), lines, job.verbose() >= 1);
  if (result != 0) {
    std::fprintf(stderr, "create command failed: %d\n", result);
    return result;
  }
  if (output_has_text(lines, "Error")) {
    print_command_output("create", lines);
    return -1;
  }
  return 0;
}
