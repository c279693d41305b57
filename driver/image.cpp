#include "driver/image.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "driver/bounded_output.h"
#include "driver/build_lock.h"
#include "driver/cleanup.h"
#include "driver/client_control.h"
#include "driver/engine_call.h"
#include "driver/network_wait.h"
#include "lib/result_codes.h"
#include "lib/system_info.h"

EngineStep image_exists(JOB& job, bool& exists) {
  const EngineDialect& dialect = job.engine->dialect();
  EngineReply reply = call_engine(job, dialect.images(), job.verbose() >= 1);
  if (reply.result != 0) return failed_step(reply);
  // An engine that could not list its images says nothing about ours.
  if (reply.exit_status != 0) {
    print_command_output("images", reply.lines);
    return failed_step(reply);
  }
  exists = dialect.image_listed(reply.lines, job.job_image);
  return {};
}

namespace {

// The IDs an engine query lists, read by reader; none when the engine
// can't be asked or refuses.
std::vector<std::string> listed_ids(JOB& job, bool (EngineDialect::*query)(EngineCommand&) const,
                                    std::vector<std::string> (EngineDialect::*reader)(
                                        const std::vector<std::string>&) const) {
  const EngineDialect& dialect = job.engine->dialect();
  EngineCommand command;
  if (!(dialect.*query)(command)) return {};
  EngineReply reply = call_engine(job, command, job.verbose() >= 2);
  if (reply.result != 0 || reply.exit_status != 0) return {};
  return (dialect.*reader)(reply.lines);
}

// The builder's working containers that a build stopped midway leaves
// (Podman's, seen only with "ps --external"). With the build lock held no
// other job builds, so every one there is a leftover.
void remove_working_containers(JOB& job) {
  for (const auto& id : listed_ids(job, &EngineDialect::build_containers_query, &EngineDialect::read_build_containers)) {
    std::vector<std::string> lines;
    job.engine->run_engine_command(job.engine->dialect().container_rm_id(id), lines, job.verbose() >= 2);
  }
}

std::vector<std::string> dangling_images(JOB& job) {
  return listed_ids(job, &EngineDialect::dangling_images_query, &EngineDialect::read_ids);
}

}  // namespace

void remove_build_leftovers(JOB& job, bool remove_images) {
  remove_working_containers(job);
  if (!remove_images) return;
  std::vector<std::string> before = job.dangling_before_build;
  for (const auto& id : dangling_images(job)) {
    if (std::find(before.begin(), before.end(), id) != before.end()) continue;
    std::vector<std::string> lines;
    job.engine->run_engine_command(job.engine->dialect().image_rm_id(id), lines, job.verbose() >= 2);
  }
}

namespace {

// What of a build's output is kept and shown: a build may print without end.
constexpr std::size_t kBuildOutputHead = 64 * 1024;
constexpr std::size_t kBuildOutputTail = 64 * 1024;

}  // namespace

EngineStep build_image(JOB& job) {
  const EngineDialect& dialect = job.engine->dialect();
  EngineCommand command =
      dialect.build({job.job_image, job.recipe_file, job.config.build_arg_words});
  bool unreachable = false;
  for (;;) {
    check_exit_request(job);
    // Without a client no heartbeat ever comes: a standalone job builds at once.
    if (!job.standalone && !job.runtime->heartbeat_seen()) {
      std::fputs("waiting for heartbeat\n", stderr);
      job.clock->pause(1);
      continue;
    }
    if (job.runtime->client_status().network_suspended) {
      if (job.verbose() >= 2) std::fputs("network suspended; sleeping 10\n", stderr);
      wait_for_network(job);
      continue;
    }
    if (unreachable && !test_server_reachable()) {
      if (job.verbose() >= 2) std::fputs("test server still unreachable; sleeping 10\n", stderr);
      job.clock->pause(10);
      continue;
    }
    // Builds of every job on the machine take turns: jobs of one
    // application share cached layers.
    if (!take_build_lock(job)) {
      std::fputs("couldn't acquire build mutex\n", stderr);
      return {-1};
    }
    // What a build stopped midway left (quayside killed outright) goes;
    // what is untagged now is not this build's, should it be stopped.
    remove_working_containers(job);
    job.dangling_before_build = dangling_images(job);
    // The build's output is streamed: only its head and tail are kept, for
    // the log and for the checks below.
    bool show = job.verbose() >= 1;
    BoundedOutput output(kBuildOutputHead, kBuildOutputTail, show);
    int exit_status = 0;
    job.building = true;
    bool output_begun = false;
    int result = job.engine->stream_engine_command(
        command,
        [&](std::string_view bytes) {
          if (show && !output_begun) std::fputs("command output:\n", stderr);
          output_begun = true;
          output.take(bytes);
        },
        show, exit_status);
    output.finish();
    EngineReply reply = judged_reply(job, result, exit_status, output.lines(), false);
    const std::vector<std::string>& lines = reply.lines;
    // A build given up for the client's request ends as the request says.
    if (result == RC_RESULT_ABORTED_BY_USER) check_exit_request(job);
    job.building = false;
    release_build_lock(job);
    // A build is judged by the engine's exit status: output that merely
    // mentions an error or an unreachable line of code is no failure.
    bool failed = result != 0 || exit_status != 0;
    EngineStep failure{-1, reply.outcome == EngineReply::Outcome::unreachable};
    if (failed && job.engine->dialect().says_network_lost(lines)) {
      if (job.verbose() >= 1) std::fputs("build cmd output indicates disconnection\n", stderr);
      if (test_server_reachable()) {
        if (job.verbose() >= 1) std::fputs("... but test server is reachable; quitting\n", stderr);
        return failure;
      }
      if (job.verbose() >= 1) std::fputs("test server is unreachable; sleeping\n", stderr);
      unreachable = true;
      wait_for_network(job);
      continue;
    }
    if (result != 0) {
      std::fprintf(stderr, "build command failed: %d\n", result);
      return failure;
    }
    if (exit_status != 0) {
      print_command_output("build", lines);
      return failure;
    }
    if (job.verbose() >= 1) std::fputs("build succeeded\n", stderr);
    job.runtime->set_network_wanted(false);
    job.runtime->send_progress_zero();
    return {};
  }
}
