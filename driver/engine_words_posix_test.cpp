// Every value of the job reaches the engine as exactly the word intended,
// through the real engine shell, and nothing of it runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "driver/container_create.h"
#include "driver/image.h"
#include "driver/shell_words.h"
#include "engine/docker_conn.h"
#include "hostile_values.h"
#include "programs_on_path.h"
#include "test_support.h"

namespace {

using Words = std::vector<std::string>;

// The words the engine should receive: the slot directory is the shell's.
Words intended_words(const EngineCommand& command, const std::string& slot) {
  Words words;
  for (const auto& word : command.words()) {
    std::string text;
    for (const auto& part : word.parts) text += part.kind == WordPart::slot_dir ? slot : part.text;
    words.push_back(text);
  }
  return words;
}

class EngineWordsTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    std::filesystem::create_directory(dir / "bin");
    // The fake engine writes the words it received, each ended by a NUL.
    write_program(dir / "bin" / "podman", "#!/bin/sh\nprintf '%s\\0' \"$@\" > argv.out\n");
    path_first_ = std::make_unique<PathFirst>(dir / "bin");
    WSL_DISTRO_DESC distro;
    distro.docker_type = ENGINE_PODMAN;
    ASSERT_EQ(connection.init(distro), 0);
  }
  void TearDown() override {
    path_first_.reset();
    JobTest::TearDown();
  }

  Words received() {
    std::string text = read_file(dir / "argv.out");
    Words words;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
      words.push_back(text.substr(start, end - start));
    }
    std::filesystem::remove(dir / "argv.out");
    return words;
  }

  DOCKER_CONN connection;
  std::unique_ptr<PathFirst> path_first_;
};

}  // namespace

TEST_F(EngineWordsTest, EveryValueFieldArrivesWholeAndNothingRuns) {
  const std::string slot = dir.string();
  struct Field {
    const char* name;
    std::function<void(JOB&, const std::string&)> set;
    bool build;  // the build command carries it, else the create command
    std::function<std::string(const std::string&)> word;
  };
  auto words_of = [](const std::string& value) {
    Words words;
    std::string problem;
    EXPECT_TRUE(split_option_words(posix_word(value), words, problem)) << problem;
    return words;
  };
  Field fields[] = {
      {"job argument", [](JOB& j, const std::string& v) { j.job_args = {"a", v}; }, false,
       [](const std::string& v) { return "ARGS= a " + v; }},
      {"workdir", [](JOB& j, const std::string& v) { j.config.workdir = v; }, false,
       [&](const std::string& v) { return slot + "/:" + v; }},
      {"project_dir_mount", [](JOB& j, const std::string& v) { j.config.project_dir_mount = v; }, false,
       [&](const std::string& v) { return slot + "/../../projects/proj/:" + v; }},
      {"project name",
       [](JOB& j, const std::string& v) {
         j.config.project_dir_mount = "/proj";
         j.project_name = v;
       },
       false, [&](const std::string& v) { return slot + "/../../projects/" + v + "/:/proj"; }},
      {"mount", [](JOB& j, const std::string& v) { j.config.mount = {v}; }, false,
       [](const std::string& v) { return v; }},
      {"portmap", [](JOB& j, const std::string& v) { j.config.portmap = {v}; }, false,
       [](const std::string& v) { return v; }},
      {"create_args", [&](JOB& j, const std::string& v) { j.config.create_arg_words = words_of(v); }, false,
       [](const std::string& v) { return v; }},
      {"build_args", [&](JOB& j, const std::string& v) { j.config.build_arg_words = words_of(v); }, true,
       [](const std::string& v) { return v; }},
      {"--dockerfile", [](JOB& j, const std::string& v) { j.recipe_file = v; }, true,
       [](const std::string& v) { return v; }},
  };
  for (const auto& field : fields) {
    for (const auto& value : hostile_values()) {
      std::string shown = field.name + std::string(": ") + value.substr(0, 40);
      JOB fresh;
      fresh.engine = &connection;
      fresh.runtime = &runtime;
      fresh.clock = &clock;
      fresh.job_container = "corvo__proj__res_1";
      fresh.job_image = "corvo__proj__wu";
      fresh.project_name = "proj";
      fresh.init_data.ncpus = 1.0;
      field.set(fresh, value);
      EngineCommand command = field.build ? connection.dialect().build({fresh.job_image, fresh.recipe_file,
                                                                        fresh.config.build_arg_words})
                                          : create_command(fresh);
      std::vector<std::string> lines;
      int status = -1;
      {
        StderrCapture quiet;
        if (field.build) {
          build_image(fresh);
        } else {
          ASSERT_EQ(connection.run_engine_command(command, lines, false, status), 0) << shown;
        }
      }
      Words got = received();
      if (value.size() > 128 * 1024) {
        // No system passes one argument this long: the engine never runs
        // the command (a build's queries before it may have run), and the
        // channel serves the next command.
        EXPECT_TRUE(got.empty() || (field.build && got.front() == "images")) << shown;
        ASSERT_EQ(connection.run_engine_command(EngineCommand{"next"}, lines, false, status), 0) << shown;
        EXPECT_EQ(received(), Words{"next"}) << shown;
        continue;
      }
      EXPECT_TRUE(got == intended_words(command, slot)) << shown;
      EXPECT_TRUE(std::find(got.begin(), got.end(), field.word(value)) != got.end()) << shown;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
  EXPECT_FALSE(std::filesystem::exists(dir / "INJECTED"));
}
