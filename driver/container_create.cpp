#include "driver/container_create.h"

#include <cstdio>
#include <vector>

#include "driver/client_control.h"
#include "driver/engine_call.h"
#include "driver/engine_faults.h"
#include "driver/image.h"
#include "engine/engine_reply.h"
#include "lib/clock.h"
#include "lib/file_util.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"
#include "lib/time_text.h"
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

EngineCommand create_command(JOB& job) {
  const JOB_CONFIG& c = job.config;
  CreateRequest wanted;
  wanted.container = job.job_container;
  wanted.image = job.job_image;
  wanted.workdir = c.workdir;
  if (!c.project_dir_mount.empty()) {
    wanted.project_source = job.standalone ? job.project_name : "../../projects/" + job.project_name;
    wanted.project_target = c.project_dir_mount;
  }
  wanted.job_args = job.job_args;
  wanted.mounts = c.mount;
  wanted.portmaps = c.portmap;
  wanted.cpus = job.init_data.ncpus;
  EngineCommand query;
  if (wanted.cpus > 1.0 && job.engine->dialect().host_cpus_query(query)) {
    // An engine refuses a limit above the CPUs of its own host.
    EngineReply reply = call_engine(job, query, job.verbose() >= 2);
    int host_cpus =
        reply.result == 0 && reply.exit_status == 0 ? job.engine->dialect().read_host_cpus(reply.lines) : 0;
    if (host_cpus > 0 && wanted.cpus > host_cpus) {
      std::fprintf(stderr, "CPU limit %g capped at the engine's %d CPUs\n", wanted.cpus, host_cpus);
      wanted.cpus = host_cpus;
    }
  }
  wanted.gpus = c.use_gpu;
  wanted.extra_args = c.create_arg_words;
  if (c.web_graphics_guest_port != 0) {
    int host_port = 0;
    int result = alloc_host_port(host_port);
    if (result != 0) {
      std::fprintf(stderr, "can't allocate host port for web graphics: %s\n", result_text(result));
    } else {
      std::fprintf(stderr, "web graphics: host port %d, guest port %d\n", host_port, c.web_graphics_guest_port);
      wanted.host_port = host_port;
      wanted.guest_port = c.web_graphics_guest_port;
      job.runtime->announce_web_graphics(("http://localhost:" + std::to_string(host_port)).c_str());
    }
  }
  return job.engine->dialect().create(wanted);
}

EngineStep create_container(JOB& job) {
  bool exists = false;
  EngineStep step = image_exists(job, exists);
  // A command given up for the client's request is no failure: the request
  // is carried out instead.
  if (!step.ok()) check_exit_request(job);
  if (!step.ok()) {
    std::fprintf(stderr, "the engine's list of images could not be read (error %d)\n", step.code);
    if (step.unreachable) wait_for_engine(job, "image query");
    job.runtime->finish(1);
  }
  // Images are never pulled: one named in job.toml that is not here can
  // only be built, from the job's own recipe.
  if (!exists && !job.config.image_name.empty() && !path_exists(job.recipe_file)) {
    std::fprintf(stderr, "image %s is not on this machine and the job has no %s to build it; images are never pulled\n",
                 job.config.image_name.c_str(), job.recipe_file.c_str());
    job.runtime->finish(1);
  }
  if (!exists) {
    if (job.verbose() != 0) std::fputs("building image\n", stderr);
    step = build_image(job);
    if (!step.ok()) check_exit_request(job);
    if (!step.ok()) {
      std::fputs("the image could not be built; the engine's output is above\n", stderr);
      if (step.unreachable) wait_for_engine(job, "image build");
      job.runtime->finish(1);
    }
  }
  EngineReply reply = call_engine(job, create_command(job), job.verbose() >= 1);
  // Whatever the engine said, a create that ran may have made it.
  if (reply.result == 0) job.container_absent = false;
  if (reply.result != 0) check_exit_request(job);
  if (reply.result != 0) {
    std::fprintf(stderr, "create command failed: %d\n", reply.result);
    return failed_step(reply);
  }
  if (!reply.ok()) {
    print_command_output("create", reply.lines);
    return failed_step(reply);
  }
  return {};
}
