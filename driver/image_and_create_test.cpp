// The create command, with a recording fake engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "driver/client_control.h"
#include "driver/container_create.h"
#include "driver/container_stats.h"
#include "driver/image.h"
#include "driver/job_names.h"
#include "test_support.h"

using Lines = std::vector<std::string>;

class CreateTest : public JobTest {};

TEST_F(CreateTest, CommandPieces) {
  struct {
    const char* name;
    std::function<void(JOB&)> setup;
    ENGINE_TYPE engine;
    std::string command;
  } cases[] = {
      {"defaults", [](JOB&) {}, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" corvo__proj__wu"},
      {"project mount", [](JOB& j) { j.config.project_dir_mount = "/proj"; }, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" -v \"$PWD/../../projects/proj/\":\"/proj\" "
       "corvo__proj__wu"},
      {"standalone project mount",
       [](JOB& j) {
         j.config.project_dir_mount = "/proj";
         j.standalone = true;
       },
       ENGINE_DOCKER, "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" -v \"$PWD/proj/\":\"/proj\" corvo__proj__wu"},
      {"empty workdir", [](JOB& j) { j.config.workdir = ""; }, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"\" corvo__proj__wu"},
      {"arguments", [](JOB& j) { j.job_args = {"a", "b"}; }, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" -e ARGS=\" a b\" corvo__proj__wu"},
      {"arguments kept whole", [](JOB& j) { j.job_args = {"$(touch x)", "a\"b", "c\\d", "`e`"}; }, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" -e ARGS=' $(touch x) a\"b c\\d `e`' corvo__proj__wu"},
      {"everything",
       [](JOB& j) {
         j.config.mount = {"/a:/a", "/my dir:/b"};
         j.config.portmap = {"80:80", "x;y"};
         j.init_data.ncpus = 4;
         j.config.use_gpu = true;
         j.config.create_arg_words = {"--shm-size=1g"};
       },
       ENGINE_PODMAN,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" -v /a:/a -v '/my dir:/b' -p 80:80 -p 'x;y' --cpus "
       "4.000000 --device nvidia.com/gpu=all --shm-size=1g --log-driver=k8s-file corvo__proj__wu"},
      {"Docker's GPUs", [](JOB& j) { j.config.use_gpu = true; }, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" --gpus all corvo__proj__wu"},
      {"the WSL containers tool mounts the slot as the others do", [](JOB& j) { j.config.project_dir_mount = "/proj"; },
       ENGINE_WSLC,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" -v \"$PWD/../../projects/proj/\":\"/proj\" "
       "corvo__proj__wu"},
      {"one cpu", [](JOB& j) { j.init_data.ncpus = 1.0; }, ENGINE_DOCKER,
       "create --name corvo__proj__res_1 -v \"$PWD/\":\"/app\" corvo__proj__wu"},
  };
  for (const auto& c : cases) {
    JOB fresh;
    fresh.engine = &runner;
    FakeRunner engine(c.engine);
    fresh.engine = &engine;
    fresh.runtime = &runtime;
    fresh.clock = &clock;
    fresh.job_container = job.job_container;
    fresh.job_image = job.job_image;
    fresh.project_name = "proj";
    fresh.init_data.ncpus = 1;
    c.setup(fresh);
    EXPECT_EQ(render_posix(create_command(fresh)), c.command) << c.name;
  }
}

TEST_F(CreateTest, WebGraphicsPortIsAllocatedAndAnnounced) {
  job.config.web_graphics_guest_port = 8080;
  StderrCapture log;
  std::string command = render_posix(create_command(job));
  std::string text = log.text();
  int host_port = 0, guest_port = 0;
  ASSERT_EQ(std::sscanf(text.c_str(), "web graphics: host port %d, guest port %d", &host_port, &guest_port), 2) << text;
  EXPECT_EQ(guest_port, 8080);
  EXPECT_GT(host_port, 0);
  EXPECT_NE(command.find(" -p " + std::to_string(host_port) + ":8080 corvo__proj__wu"), std::string::npos) << command;
  EXPECT_EQ(runtime.web_graphics, "http://localhost:" + std::to_string(host_port));
}

TEST_F(CreateTest, TheCpuLimitIsCappedAtTheEnginesHost) {
  FakeRunner docker(ENGINE_DOCKER);
  job.engine = &docker;
  job.init_data.ncpus = 4;
  docker.reply("info", {"2\n"});
  StderrCapture log;
  std::string command = render_posix(create_command(job));
  EXPECT_EQ(docker.commands.front(), "info --format \"{{.NCPU}}\"");
  EXPECT_NE(command.find(" --cpus 2.000000 "), std::string::npos) << command;
  EXPECT_EQ(log.text(), "CPU limit 4 capped at the engine's 2 CPUs\n");
  // An answer that can't be read leaves the limit as the client gave it.
  docker.reply("info", {"Error: no\n"}, 0, 1);
  EXPECT_NE(render_posix(create_command(job)).find(" --cpus 4.000000 "), std::string::npos);
}

TEST_F(CreateTest, CreateResults) {
  runner.reply("images", {"corvo__proj__wu latest\n"});
  runner.reply("create", {"Error: the name is in use\n"});
  StderrCapture log;
  EXPECT_EQ(create_container(job).code, -1);
  EXPECT_EQ(log.text(), "Output from 'create' command:\n   Error: the name is in use\n");
  runner.reply("images", {"corvo__proj__wu latest\n"});
  runner.reply("create", {}, -182);
  StderrCapture log2;
  EXPECT_EQ(create_container(job).code, -182);
  EXPECT_EQ(log2.text(), "create command failed: -182\n");
}
