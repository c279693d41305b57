// The job's image and container names.
#include "driver/job_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

namespace {

// What Docker, Podman and the WSL containers tool all take as an image
// repository name and as a container name.
bool valid_engine_name(const std::string& name) {
  static const std::regex reference("[a-z0-9]+((\\.|_|__|-+)[a-z0-9]+)*");
  return name.size() <= 128 && std::regex_match(name, reference);
}

}  // namespace

TEST(JobNames, AlwaysValidForEveryEngine) {
  struct {
    std::string first, second;
    std::string name;  // empty: only checked for validity
  } cases[] = {
      {"MyProj", "WU_One", "corvo__myproj__wu_one"},
      {"Sci Proj;rm", "WU/1$(x)\xc3\xa9", "corvo__sci_proj_rm__wu_1__x"},
      {"proj", "wu_", "corvo__proj__wu"},
      {"proj", "_wu", "corvo__proj__wu"},
      {"proj", "a___b", "corvo__proj__a_b"},
      {"proj", "a__b", "corvo__proj__a__b"},
      {"proj", "a-_.b", "corvo__proj__a_b"},
      {"proj", "a--b.c", "corvo__proj__a--b.c"},
      {"proj", "UPPER.Case", "corvo__proj__upper.case"},
      {"proj", "$$$", ""},
      {"", "", ""},
      {std::string(300, 'x'), "wu", ""},
      {"proj", std::string(299, 'y') + "_", ""},
      {std::string(150, '_') + "a", std::string(150, '-'), ""},
  };
  for (const auto& c : cases) {
    std::string name = make_name(c.first, c.second);
    EXPECT_TRUE(valid_engine_name(name)) << name;
    EXPECT_EQ(name, make_name(c.first, c.second)) << "the same texts give the same name";
    if (!c.name.empty()) {
      EXPECT_EQ(name, c.name) << c.first << " / " << c.second;
    }
  }
}

TEST(JobNames, LongAndSymbolOnlyNamesStayDistinct) {
  std::string a = make_name("proj", std::string(300, 'y') + "1");
  std::string b = make_name("proj", std::string(300, 'y') + "2");
  EXPECT_EQ(a.size(), 128u);
  EXPECT_NE(a, b);
  EXPECT_NE(make_name("proj", "$$$"), make_name("proj", "%%%"));
}

TEST(JobNames, NameJob) {
  JOB job;
  job.project_name = "Proj";
  std::strcpy(job.init_data.wu_name, "WU");
  std::strcpy(job.init_data.result_name, "WU_0");
  name_job(job);
  EXPECT_EQ(job.job_image, "corvo__proj__wu");
  EXPECT_EQ(job.job_container, "corvo__proj__wu_0");
  job.config.image_name = "Registry/Image:Tag";
  name_job(job);
  EXPECT_EQ(job.job_image, "Registry/Image:Tag");
}

TEST(JobNames, StandaloneJobsAreNamedAfterTheirDirectory) {
  std::string a = standalone_name("/home/me/jobs/a");
  EXPECT_TRUE(valid_engine_name(a)) << a;
  EXPECT_EQ(a, standalone_name("/home/me/jobs/a"));  // the same in every run
  EXPECT_NE(a, standalone_name("/home/me/jobs/b"));
  EXPECT_NE(a, standalone_name("/home/me/jobs/a/"));
  EXPECT_TRUE(valid_engine_name(standalone_name("C:\\Users\\Jörg\\job"))) << standalone_name("C:\\Users\\Jörg\\job");
  // The first eight digits of the path's FNV-1a hash, as the end-to-end
  // tests compute it too.
  EXPECT_EQ(standalone_name("/tmp/x"), "corvo-6cc122dd");
}

TEST(JobNames, AStandaloneHashWithALeadingZeroDigit) {
  // The hash is written without leading zeros before its first 8 digits are
  // taken (0dfac44eb0a8091e gives dfac44eb); tests/e2e/lib.sh does the same.
  EXPECT_EQ(standalone_name("/tmp/quayside-e2e-FIgjUx/job"), "corvo-dfac44eb");
}
