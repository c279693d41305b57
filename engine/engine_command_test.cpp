// Engine commands as words, and how they are shown to the engine shell.
#include "engine/engine_command.h"

#include <gtest/gtest.h>

#include "engine/engine_dialect.h"

TEST(EngineCommand, ValuesAreQuotedOnlyWhereTheShellWouldReadThem) {
  struct {
    std::string text;
    std::string plain;   // as a plain word
    std::string quoted;  // as a word shown in double quotes
  } cases[] = {
      {"/a:/b:ro", "/a:/b:ro", "\"/a:/b:ro\""},
      {"80:80", "80:80", "\"80:80\""},
      {"/my dir:/b", "'/my dir:/b'", "\"/my dir:/b\""},
      {"it's", "'it'\\''s'", "\"it's\""},
      {"$(id)", "'$(id)'", "'$(id)'"},
      {"`id`", "'`id`'", "'`id`'"},
      {"a\"b", "'a\"b'", "'a\"b'"},
      {"c\\d", "'c\\d'", "'c\\d'"},
      {"name=^x$", "'name=^x$'", "\"name=^x$\""},
      {"$HOME", "'$HOME'", "'$HOME'"},
      {"a;b&c|d", "'a;b&c|d'", "\"a;b&c|d\""},
      {"line\nend", "'line\nend'", "'line\nend'"},
      {"wow!", "'wow!'", "'wow!'"},
      {"~", "'~'", "\"~\""},
      {"", "''", "\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(render_posix(EngineCommand{}.add(c.text)), c.plain) << c.text;
    EXPECT_EQ(render_posix(EngineCommand{}.add_quoted(c.text)), c.quoted) << c.text;
  }
}

TEST(EngineCommand, TheSlotDirectoryIsTheShellsOwnOrGivenWithoutOne) {
  CommandWord plain_mount{{{WordPart::slot_dir, ""}, {WordPart::quoted, "/x/"}, {WordPart::plain, ":"},
                           {WordPart::quoted, "/app"}}};
  CommandWord odd_mount{{{WordPart::slot_dir, ""}, {WordPart::quoted, "/$(id)/"}}};
  EngineCommand command;
  command.add("-v").add_word(plain_mount).add_word(odd_mount);
  EXPECT_EQ(render_posix(command), "-v \"$PWD/x/\":\"/app\" \"$PWD\"'/$(id)/'");
  EXPECT_EQ(command.arguments(), (std::vector<std::string>{"-v", "./x/:/app", "./$(id)/"}));
  auto in_slot = [](const std::string& below) { return "C:\\slots\\3" + below; };
  EXPECT_EQ(command.arguments(in_slot), (std::vector<std::string>{"-v", "C:\\slots\\3/x/:/app", "C:\\slots\\3/$(id)/"}));
}

TEST(EngineCommand, NulBytesAreFound) {
  EXPECT_FALSE(EngineCommand({"a", "b"}).has_nul());
  EXPECT_TRUE(EngineCommand({"a", std::string("b\0c", 3)}).has_nul());
}

TEST(EngineDialect, CommandsOfEachEngine) {
  struct {
    ENGINE_TYPE engine;
    std::string state, poll, stats;
  } cases[] = {
      {ENGINE_DOCKER, "ps --all --filter \"name=^c$\" --format \"{{.Names}}|{{.Status}}\"",
       "ps --all -f \"name=^c$\" --format \"{{.Names}}|{{.Status}}\"", "stats --no-stream --format \"{{.CPUPerc}} {{.MemUsage}}\" c"},
      {ENGINE_PODMAN, "ps --all --filter \"name=^c$\" --format \"{{.Names}}|{{.Status}}\"",
       "ps --all -f \"name=^c$\" --format \"{{.Names}}|{{.Status}}\"", "stats --no-stream --format \"{{.CPUPerc}} {{.MemUsage}} {{.CPUNano}}\" c"},
      {ENGINE_WSLC, "ps --all --filter \"name=c\" --format json", "ps --all --filter \"name=c\" --format json",
       "stats --format json c"},
  };
  for (const auto& c : cases) {
    const EngineDialect& dialect = engine_dialect(c.engine);
    EXPECT_EQ(dialect.type(), c.engine);
    EXPECT_EQ(render_posix(dialect.state_query("c")), c.state) << c.engine;
    EXPECT_EQ(render_posix(dialect.poll_query("c")), c.poll) << c.engine;
    EXPECT_EQ(render_posix(dialect.stats_query("c")), c.stats) << c.engine;
    EXPECT_EQ(render_posix(dialect.container_op("pause", "c")), "pause c");
    EXPECT_EQ(render_posix(dialect.logs("c")), "logs c");
    EXPECT_EQ(render_posix(dialect.container_rm("c")), "container rm c");
    EXPECT_EQ(render_posix(dialect.image_rm("i")), "image rm i");
  }
  EXPECT_EQ(engine_dialect(7).type(), ENGINE_DOCKER);
}

TEST(EngineDialect, WhatAnInterruptedBuildLeft) {
  const EngineDialect& podman = engine_dialect(ENGINE_PODMAN);
  EngineCommand command;
  ASSERT_TRUE(podman.build_containers_query(command));
  EXPECT_EQ(render_posix(command), "ps --all --external --format \"{{.ID}}|{{.Names}}|{{.Status}}\"");
  EXPECT_FALSE(engine_dialect(ENGINE_DOCKER).build_containers_query(command));
  EXPECT_FALSE(engine_dialect(ENGINE_WSLC).dangling_images_query(command));
  ASSERT_TRUE(podman.dangling_images_query(command));
  EXPECT_EQ(render_posix(command), "images --all --quiet --filter dangling=true");
  // Only a builder's working container in storage, never a job's container,
  // and only IDs that are IDs reach a removal.
  EXPECT_EQ(podman.read_build_containers({"449c0757578e|working-container|Storage\n",
                                          "97845a553d5b|97803b3bee83-working-container|Storage\r\n",
                                          "abc123|corvo__p__r_0|Up 2 seconds\n",
                                          "def456|working-container|Up 1 second\n",
                                          "x; rm -rf /|working-container|Storage\n", "no bars\n"}),
            (std::vector<std::string>{"449c0757578e", "97845a553d5b"}));
  EXPECT_EQ(podman.read_ids({"97803b3bee83\n", "\n", "sha256:abc\n", "ABCDEF\n", "0a1b\r\n"}),
            (std::vector<std::string>{"97803b3bee83", "0a1b"}));
}

TEST(EngineDialect, WhetherTheContainerRanOutOfMemory) {
  using Answer = EngineDialect::Answer;
  const EngineDialect& docker = engine_dialect(ENGINE_DOCKER);
  EngineCommand command;
  ASSERT_TRUE(docker.out_of_memory_query("c", command));
  EXPECT_EQ(render_posix(command), "inspect --format '{{.State.OOMKilled}}' c");
  EXPECT_FALSE(engine_dialect(ENGINE_WSLC).out_of_memory_query("c", command));
  struct Case {
    std::vector<std::string> lines;
    Answer answer;
  };
  for (const Case& c : std::vector<Case>{{{"true\n"}, Answer::yes},
                                          {{"false\r\n"}, Answer::no},
                                          {{"false"}, Answer::no},
                                          {{}, Answer::unknown},
                                          {{"\n"}, Answer::unknown},
                                          {{"False\n"}, Answer::unknown},
                                          {{"false\n", "true\n"}, Answer::unknown},
                                          {{"Error: no such container c\n"}, Answer::unknown}}) {
    EXPECT_EQ(docker.read_out_of_memory(c.lines), c.answer) << ::testing::PrintToString(c.lines);
  }
}

// The image query's reply is read column by column: repository and tag
// exactly, with the registry an engine shows before a short name.
TEST(EngineDialect, AnImageIsListedByItsRepositoryAndTag) {
  const std::vector<std::string> podman_lines = {
      "REPOSITORY                 TAG         IMAGE ID      CREATED       SIZE\n",
      "localhost/app              1.2         5ee308b5a7ce  2 hours ago   2.13 MB\n",
      "localhost/corvo__p__wu     latest      1bef47ad309f  1 minute ago  2.13 MB\n",
      "docker.io/library/ubuntu   22.04       0123456789ab  2 weeks ago   77 MB\n"};
  const std::vector<std::string> docker_lines = {
      "REPOSITORY     TAG       IMAGE ID       CREATED        SIZE\n",
      "app            1.2       5ee308b5a7ce   2 hours ago    2.13MB\n",
      "corvo__p__wu   latest    1bef47ad309f   1 minute ago   2.13MB\n",
      "ubuntu         22.04     0123456789ab   2 weeks ago    77MB\n",
      "<none>         <none>    0a1b2c3d4e5f   3 weeks ago    1MB\n"};
  struct Case {
    const char* image;
    bool listed;
  };
  for (const auto* lines : {&podman_lines, &docker_lines}) {
    for (const Case& c : std::vector<Case>{{"corvo__p__wu", true},
                                           {"app:1.2", true},
                                           {"localhost/app:1.2", lines == &podman_lines},
                                           {"app", false},        // no "latest" of it
                                           {"app:1", false},      // the tag exactly
                                           {"ap:1.2", false},     // the repository exactly
                                           {"corvo__p", false},   // not a prefix
                                           {"ubuntu:22.04", true},
                                           {"docker.io/library/ubuntu:22.04", lines == &podman_lines},
                                           {"<none>", false}}) {
      for (int type : {ENGINE_DOCKER, ENGINE_PODMAN, ENGINE_WSLC}) {
        EXPECT_EQ(engine_dialect(type).image_listed(*lines, c.image), c.listed)
            << c.image << (lines == &podman_lines ? " (Podman's list)" : " (Docker's list)") << " type " << type;
      }
    }
  }
}
