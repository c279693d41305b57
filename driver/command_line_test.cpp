#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "test_support.h"

using Args = std::vector<std::string>;

TEST(CommandLine, OptionsAnywhereAndJobArgumentsInOrder) {
  struct {
    Args arguments;
    std::string config_file;
    std::string recipe_file;
    int verbose;
    bool sporadic;
    Args job_args;
  } cases[] = {
      {{}, "job.toml", "Dockerfile", 1, false, {}},
      {{"--config", "x.toml", "a", "--verbose", "b"}, "x.toml", "Dockerfile", 2, false, {"a", "b"}},
      {{"a", "--sporadic"}, "job.toml", "Dockerfile", 1, true, {"a"}},
      {{"--dockerfile", "Recipe", "--config", "c.toml"}, "c.toml", "Recipe", 1, false, {}},
      {{"--verbosity", "-x", "--SPORADIC", "--config=x"}, "job.toml", "Dockerfile", 1, false,
       {"--verbosity", "-x", "--SPORADIC", "--config=x"}},
      {{"--config", "--verbose"}, "--verbose", "Dockerfile", 1, false, {}},
  };
  for (const auto& c : cases) {
    JOB job;
    ASSERT_EQ(read_command_line(c.arguments, job), 0);
    EXPECT_EQ(job.config_file, c.config_file);
    EXPECT_EQ(job.recipe_file, c.recipe_file);
    EXPECT_EQ(job.config.verbose, c.verbose);
    EXPECT_EQ(job.sporadic, c.sporadic);
    EXPECT_EQ(job.job_args, c.job_args);
  }
}

TEST(CommandLine, AnOptionWithoutItsValueIsAnError) {
  for (const char* option : {"--config", "--dockerfile"}) {
    JOB job;
    StderrCapture log;
    EXPECT_EQ(read_command_line({"a", option}, job), 1);
    EXPECT_EQ(log.text(), std::string("missing value for ") + option + "\n");
  }
}
