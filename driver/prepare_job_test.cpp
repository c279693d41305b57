// Preparing a job before the engine is touched: names and init data with a
// client and without one, and what ends the job at once.
#include <gtest/gtest.h>

#include "driver/job_lifecycle.h"
#include "driver/job_names.h"
#include "platform/files.h"
#include "lib/text_util.h"
#include "test_support.h"

namespace {

class PrepareJobTest : public JobTest {
 protected:
  PrepareJobTest() {
    copy_bounded(runtime.init_data.project_dir, "/var/lib/corvo/projects/proj", sizeof runtime.init_data.project_dir);
  }
  // Runs prepare_job; an end of the job comes back, else {false, kPrepared}.
  JobEnded prepare() {
    try {
      prepare_job(job);
    } catch (const JobEnded& end) {
      return end;
    }
    return {false, kPrepared};
  }
  static constexpr int kPrepared = -9999;
};

TEST_F(PrepareJobTest, WithAClientTheNamesAndCpuTimeComeFromItsInitData) {
  copy_bounded(runtime.init_data.project_dir, "/var/lib/corvo/projects/sim.example.org",
               sizeof runtime.init_data.project_dir);
  copy_bounded(runtime.init_data.wu_name, "wu_7", sizeof runtime.init_data.wu_name);
  copy_bounded(runtime.init_data.result_name, "wu_7_0", sizeof runtime.init_data.result_name);
  runtime.init_data.wu_cpu_time = 12.5;
  runtime.init_data.ncpus = 2;
  StderrCapture log;
  EXPECT_EQ(prepare().code, kPrepared);
  EXPECT_FALSE(job.standalone);
  EXPECT_EQ(job.project_name, "sim.example.org");
  EXPECT_EQ(job.job_image, "corvo__sim.example.org__wu_7");
  EXPECT_EQ(job.job_container, "corvo__sim.example.org__wu_7_0");
  EXPECT_EQ(job.cpu_time, 12.5);
  EXPECT_EQ(job.init_data.ncpus, 2);
  EXPECT_EQ(runtime.sporadic_dir, "");
}

TEST_F(PrepareJobTest, TheProjectIsNamedByTheLastPartOfItsDirectory) {
  const struct {
    const char* project_dir;
    const char* name;  // null: no project directory of its own, the job ends
  } cases[] = {
      {"/var/lib/corvo/projects/sim.example.org", "sim.example.org"},
      {"C:\\ProgramData\\Corvo\\projects\\sim.example.org", "sim.example.org"},
      {"C:/ProgramData/Corvo\\projects/sim.example.org", "sim.example.org"},
      {"sim.example.org", "sim.example.org"},
      {"/var/lib/corvo/projects/..", nullptr},
      {"/var/lib/corvo/projects/.", nullptr},
      {"/var/lib/corvo/projects/", nullptr},
      {"C:\\ProgramData\\Corvo\\projects\\..", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    copy_bounded(runtime.init_data.project_dir, c.project_dir, sizeof runtime.init_data.project_dir);
    job.project_name.clear();
    StderrCapture log;
    JobEnded end = prepare();
    if (c.name != nullptr) {
      EXPECT_EQ(end.code, kPrepared) << c.project_dir;
      EXPECT_EQ(job.project_name, c.name) << c.project_dir;
    } else {
      EXPECT_TRUE(end.finished) << c.project_dir;
      EXPECT_EQ(end.code, 1) << c.project_dir;
      std::string said = std::string("project_dir in init_data.xml names no project directory: \"") +
                         c.project_dir + "\"\n";
      EXPECT_NE(log.text().find(said), std::string::npos) << c.project_dir;
    }
  }
}

TEST_F(PrepareJobTest, AloneItRunsOnOneCpuUnderFixedNames) {
  runtime.is_standalone = true;
  runtime.init_data.ncpus = 4;
  runtime.init_data.wu_cpu_time = 9;
  write_file("Dockerfile", "FROM scratch\n");
  job.sporadic = true;
  StderrCapture log;
  EXPECT_EQ(prepare().code, kPrepared);
  EXPECT_TRUE(job.standalone);
  EXPECT_EQ(job.job_image, standalone_name(platform::current_directory()));
  EXPECT_EQ(job.job_container, job.job_image);
  EXPECT_EQ(job.job_image.rfind("corvo-", 0), 0u);
  EXPECT_EQ(job.project_name, "project");
  EXPECT_EQ(job.init_data.ncpus, 1);
  EXPECT_EQ(job.init_data.wu_cpu_time, 0);
  EXPECT_EQ(job.cpu_time, 0);
  EXPECT_EQ(runtime.sporadic_dir, ".");
}

TEST_F(PrepareJobTest, WhatEndsTheJobBeforeTheEngine) {
  struct {
    const char* name;
    bool standalone;
    const char* toml;  // null: no job.toml
    bool recipe;
    int sporadic_result;
    JobEnded end;
    const char* said;
  } cases[] = {
      {"alone with nothing to build from", true, nullptr, false, 0, {false, 1},
       "no Dockerfile in this directory and no image_name in job.toml\n"},
      {"a job.toml that can't be read", false, "workdir = [\n", true, 0, {false, 1}, "can't parse config file\n"},
      {"an image name the shell would read", false, "image_name = \"a;b\"\n", true, 0, {false, 1},
       "bad image_name: a;b\n"},
      {"sporadic files that can't be made", false, nullptr, true, -108, {true, -108},
       "can't create sporadic files\n"},
      {"an option the volunteer did not allow", false, "create_args = \"--privileged\"\n", true, 0, {true, 1},
       "create_args: --privileged is refused: it gives the container the whole machine. The volunteer can allow "
       "it with allow_privileged = true in quayside.toml in the client's data directory\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("job.toml");
    std::filesystem::remove("Dockerfile");
    if (c.toml != nullptr) write_file("job.toml", c.toml);
    if (c.recipe) write_file("Dockerfile", "FROM scratch\n");
    runtime.is_standalone = c.standalone;
    runtime.sporadic_result = c.sporadic_result;
    job.sporadic = c.sporadic_result != 0;
    job.config = JOB_CONFIG();
    job.config.verbose = 0;
    StderrCapture log;
    JobEnded end = prepare();
    EXPECT_EQ(end.finished, c.end.finished) << c.name;
    EXPECT_EQ(end.code, c.end.code) << c.name;
    EXPECT_NE(log.text().find(c.said), std::string::npos) << c.name;
  }
}

}  // namespace
