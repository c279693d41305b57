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
                  "log_max_bytes = 1000\n"),
            0);
  EXPECT_EQ(log, "");
  EXPECT_EQ(config.log_max_bytes, 1000);
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
      {"verbose = 0\n", 2, 0}, {"", 2, 2}, {"", 1, 1}, {"verbose = 3\n", 1, 3},
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

// Each mistake is named with the file, the line and the key, and what was
// expected instead.
TEST_F(JobConfigTest, SyntaxAndTypeErrorsFail) {
  const std::string quotes =
      "   text values need quotes (workdir = \"/data\"); numbers are whole numbers that fit in 64 bits\n";
  struct {
    std::string text;
    std::string log;
  } cases[] = {
      {"workdir = \n", "job.toml:1: workdir: unexpected token\n"},
      {"# a comment\nworkdir = /data\n", "job.toml:2: workdir: Invalid token\n" + quotes},
      {"use_gpu = yes\n", "job.toml:1: use_gpu: Unknown ident: yes\n" + quotes},
      {"\n\nuse_gpu = \"yes\"\n", "job.toml:3: use_gpu: expected true or false, found the string \"yes\"\n"},
      {"workdir = 3\n", "job.toml:1: workdir: expected a string in quotes, found the integer 3\n"},
      {"mount = [1, 2]\n",
       "job.toml:1: mount: expected an array of strings, like [\"/host/dir:/dir\"], found the integer 1\n"},
      {"mount = \"/a:/a\"\n",
       "job.toml:1: mount: expected an array of strings, like [\"/host/dir:/dir\"], found the string \"/a:/a\"\n"},
      {"verbose = 1.5\n",
       "job.toml:1: verbose: expected a whole number: 0 quiet, 1 normal, 2 detailed, found the number 1.5\n"},
      {"verbose = 99999999999\n",
       "job.toml:1: verbose: expected a whole number: 0 quiet, 1 normal, 2 detailed, found the integer "
       "99999999999\n"},
      {"verbose = 99999999999999999999\n", "job.toml:1: verbose: Invalid token\n" + quotes},
      {"web_graphics_guest_port = 70000\n",
       "job.toml:1: web_graphics_guest_port: expected a port number from 1 to 65535 (0: none), found the integer "
       "70000\n"},
      {"log_max_bytes = -1\n",
       "job.toml:1: log_max_bytes: expected a number of bytes (0: no limit), found the integer -1\n"},
      {"workdir = \"/a\"\nimage_name = \"x\"\nworkdir = \"/b\"\n", "job.toml:3: workdir: Multiple same key: workdir\n"},
      {"image_name = \"x\"\nworkdir = \"/a\n\n\n", "job.toml:2: workdir: string didn't end\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse(c.text), 1) << c.text;
    EXPECT_EQ(log, c.log) << c.text;
  }
}

// An unknown key is named with the keys it may have meant, and the job goes
// on: a newer job.toml still runs here.
TEST_F(JobConfigTest, UnknownKeysAreNamedAndPassedOver) {
  ASSERT_EQ(parse("wrokdir = \"/w\"\nmounts = [\"/a:/a\"]\ncreate-args = \"--rm\"\nzzz_future = 1\n"
                  "Use_GPU = true\n[job]\nworkdir = \"/x\"\n"),
            0);
  EXPECT_EQ(log,
            "job.toml:1: unknown key \"wrokdir\" is ignored; did you mean \"workdir\"?\n"
            "job.toml:2: unknown key \"mounts\" is ignored; did you mean \"mount\"?\n"
            "job.toml:3: unknown key \"create-args\" is ignored; did you mean \"create_args\"?\n"
            "job.toml:4: unknown key \"zzz_future\" is ignored\n"
            "job.toml:5: unknown key \"Use_GPU\" is ignored; did you mean \"use_gpu\"?\n"
            "job.toml:6: unknown table [job] is ignored\n"
            "   job.toml has no tables: its keys stand at the top of the file\n");
  EXPECT_EQ(config.workdir, "/app");
  EXPECT_TRUE(config.mount.empty());
}

// A key as long as the file allows is named at once, without a search for
// what it may have meant.
TEST_F(JobConfigTest, AnUnknownKeyOfAnyLengthIsNamed) {
  std::string key(200000, 'w');
  ASSERT_EQ(parse(key + " = 1\n"), 0);
  EXPECT_EQ(log, "job.toml:1: unknown key \"" + key + "\" is ignored\n");
}

TEST_F(JobConfigTest, AFileNamedOnTheCommandLineMustExist) {
  StderrCapture capture;
  EXPECT_EQ(parse_config("absent.toml", config, true), 1);
  EXPECT_EQ(capture.text(), "--config absent.toml: no such file\n");
}

TEST_F(JobConfigTest, OptionsSplitIntoWordsAndValuesTheEngineCantTakeAreRefused) {
  EXPECT_EQ(parse("create_args = \"--shm-size=1g -e 'A=x y'\"\nbuild_args = \"--pull=never\"\n"), 0);
  EXPECT_EQ(config.create_arg_words, (std::vector<std::string>{"--shm-size=1g", "-e", "A=x y"}));
  EXPECT_EQ(config.build_arg_words, (std::vector<std::string>{"--pull=never"}));
  struct {
    const char* text;
    const char* log;
  } cases[] = {
      {"create_args = \"--rm; touch x\"\n", "job.toml:1: bad create_args: --rm; touch x\n   shell operator\n"},
      {"create_args = \"-e 'A\"\n", "job.toml:1: bad create_args: -e 'A\n   unbalanced quote\n"},
      {"build_args = \"--build-arg X=$(id)\"\n", "job.toml:1: bad build_args: --build-arg X=$(id)\n   command substitution\n"},
      // "@" stands for a NUL byte in the file.
      {"workdir = \"/app@x\"\n", "job.toml:1: bad workdir: /app\\0x\n   NUL byte\n"},
      {"project_dir_mount = '@'\n", "job.toml:1: bad project_dir_mount: \\0\n   NUL byte\n"},
      {"mount = [\"/a:/a\", \"/b@:/b\"]\n", "job.toml:1: bad mount: /b\\0:/b\n   NUL byte\n"},
      {"portmap = [\"80@:80\"]\n", "job.toml:1: bad portmap: 80\\0:80\n   NUL byte\n"},
      // A source that is not a path would be an empty volume of the engine.
      {"\nmount = [\"/a:/a\", \"refdata:/ref:ro\"]\n",
       "job.toml:2: bad mount: refdata:/ref:ro\n   the source \"refdata\" is not a path: the engine would make an "
       "empty volume of that name. Give an absolute path, or one beginning with ./ for a directory in the job's "
       "directory\n"},
      {"mount = [\"/data\"]\n",
       "job.toml:1: bad mount: /data\n   expected SOURCE:TARGET or SOURCE:TARGET:OPTIONS, as \"/data:/data:ro\"\n"},
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
