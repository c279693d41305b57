#include "driver/job_config.h"

#include <gtest/gtest.h>

#include "test_support.h"

class JobConfigTest : public TempDirTest {
 protected:
  // Parses text as job.toml with the command line's verbosity.
  int parse(const std::string& text, int verbose = 1) {
    write_file("job.toml", text);
    config = JOB_CONFIG();
    config.verbose = verbose;
    StderrCapture capture;
    int result = parse_config("job.toml", config);
    log = capture.text();
    return result;
  }
  std::string printed() {
    StderrCapture capture;
    print_config(config);
    return capture.text();
  }
  JOB_CONFIG config;
  std::string log;
};

TEST_F(JobConfigTest, MissingFileGivesDefaultsWithANotice) {
  config.verbose = 2;
  config.workdir = "changed";
  StderrCapture capture;
  EXPECT_EQ(parse_config("other.toml", config), 0);
  EXPECT_EQ(capture.text(), "no job.toml config file\n");
  EXPECT_EQ(config.workdir, "/app");
  EXPECT_EQ(config.verbose, 2);
}

TEST_F(JobConfigTest, EmptyFileGivesDefaultsSilently) {
  EXPECT_EQ(parse(""), 0);
  EXPECT_EQ(log, "");
  EXPECT_EQ(printed(), "quayside config:\n   workdir: /app\n   use GPU: no\n   verbose: 1\n");
}

TEST_F(JobConfigTest, EveryKey) {
  EXPECT_EQ(parse("workdir = \"/work\"\nproject_dir_mount = \"/proj\"\nimage_name = \"Repo/Img:1\"\n"
                  "use_gpu = true\nweb_graphics_guest_port = 8080\nmount = [\"/a:/a\", \"/b:/b\"]\n"
                  "portmap = [\"80:80\"]\nbuild_args = \"--pull\"\ncreate_args = \"--rm\"\nverbose = 2\n"
                  "unknown = 3\n[other]\nworkdir = \"ignored\"\n"),
            0);
  EXPECT_EQ(log, "");
  EXPECT_EQ(config.image_name, "Repo/Img:1");
  EXPECT_EQ(printed(),
            "quayside config:\n   workdir: /work\n   project dir mounted at: /proj\n   use GPU: yes\n"
            "   Web graphics guest port: 8080\n   mount: /a:/a\n   mount: /b:/b\n   portmap: 80:80\n"
            "   build args: --pull\n   create args: --rm\n   verbose: 2\n");
}

TEST_F(JobConfigTest, Verbosity) {
  struct {
    const char* text;
    int command_line;
    int verbose;
  } cases[] = {
      {"verbose = 0\n", 2, 0}, {"", 2, 2}, {"", 1, 1}, {"verbose = 4294967298\n", 1, 2},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(parse(c.text, c.command_line), 0) << c.text;
    EXPECT_EQ(config.verbose, c.verbose) << c.text;
  }
}

TEST_F(JobConfigTest, EmptyWorkdirIsNotPrinted) {
  ASSERT_EQ(parse("workdir = \"\"\n"), 0);
  EXPECT_EQ(config.workdir, "");
  EXPECT_EQ(printed().find("workdir"), std::string::npos);
}

TEST_F(JobConfigTest, SyntaxAndTypeErrorsFail) {
  struct {
    const char* text;
    const char* log;
  } cases[] = {
      {"workdir = \n", "TOML error: Error: line 2: unexpected token\n"},
      {"use_gpu = \"yes\"\n", "TOML error: type error: this value is string but bool was requested\n"},
      {"workdir = 3\n", "TOML error: type error: this value is int but string was requested\n"},
      {"mount = [1, 2]\n", "TOML error: type error: this value is int but string was requested\n"},
      {"mount = \"/a:/a\"\n", "TOML error: type error: this value is string but array was requested\n"},
      {"verbose = 1.5\n", "TOML error: type error: this value is double but int was requested\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse(c.text), 1) << c.text;
    EXPECT_EQ(log, c.log) << c.text;
  }
}

TEST_F(JobConfigTest, OptionsSplitIntoWordsAndValuesTheEngineCantTakeAreRefused) {
  EXPECT_EQ(parse("create_args = \"--shm-size=1g -e 'A=x y'\"\nbuild_args = \"--pull=never\"\n"), 0);
  EXPECT_EQ(config.create_arg_words, (std::vector<std::string>{"--shm-size=1g", "-e", "A=x y"}));
  EXPECT_EQ(config.build_arg_words, (std::vector<std::string>{"--pull=never"}));
  struct {
    const char* text;
    const char* log;
  } cases[] = {
      {"create_args = \"--rm; touch x\"\n", "bad create_args: --rm; touch x\n   shell operator\n"},
      {"create_args = \"-e 'A\"\n", "bad create_args: -e 'A\n   unbalanced quote\n"},
      {"build_args = \"--build-arg X=$(id)\"\n", "bad build_args: --build-arg X=$(id)\n   command substitution\n"},
      // "@" stands for a NUL byte in the file.
      {"workdir = \"/app@x\"\n", "bad workdir: /app\\0x\n   NUL byte\n"},
      {"project_dir_mount = '@'\n", "bad project_dir_mount: \\0\n   NUL byte\n"},
      {"mount = [\"/a:/a\", \"/b@:/b\"]\n", "bad mount: /b\\0:/b\n   NUL byte\n"},
      {"portmap = [\"80@:80\"]\n", "bad portmap: 80\\0:80\n   NUL byte\n"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    for (char& ch : text) {
      if (ch == '@') ch = '\0';
    }
    EXPECT_EQ(parse(text), 1) << c.text;
    EXPECT_EQ(log, c.log) << c.text;
  }
}
