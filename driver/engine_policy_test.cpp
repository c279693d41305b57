// What a job may ask of the engine: the options and mounts that would hand
// the container the machine are refused unless the volunteer allows them,
// and everything else passes as it is.
#include <gtest/gtest.h>

#include "driver/engine_policy.h"
#include "driver/shell_words.h"
#include "test_support.h"

namespace {

constexpr char kClientDir[] = "/var/lib/corvo";
constexpr char kSlotDir[] = "/var/lib/corvo/slots/3";

// The refusal of a job with these mounts and create_args under policy;
// empty when it passes.
std::string judge(std::vector<std::string> mounts, const std::string& create_args,
                  const ENGINE_POLICY& policy = ENGINE_POLICY()) {
  JOB_CONFIG config;
  config.mount = std::move(mounts);
  std::string problem;
  EXPECT_TRUE(split_option_words(create_args, config.create_arg_words, problem)) << create_args;
  return engine_policy_refusal(config, policy, kClientDir, kSlotDir);
}

}  // namespace

TEST(EnginePolicy, WhatHandsOverTheMachineIsRefusedByDefault) {
  const struct {
    std::vector<std::string> mounts;
    const char* create_args;
    const char* names;    // what the message must name
    const char* setting;  // and the setting that would allow it
  } cases[] = {
      {{}, "--privileged", "--privileged", "allow_privileged"},
      {{}, "--shm-size=1g --privileged=true", "--privileged=true", "allow_privileged"},
      {{}, "--cap-add SYS_ADMIN", "--cap-add SYS_ADMIN", "allow_privileged"},
      {{}, "--cap-add=ALL", "--cap-add ALL", "allow_privileged"},
      {{}, "--security-opt seccomp=unconfined", "--security-opt seccomp=unconfined", "allow_privileged"},
      {{}, "--security-opt=label=disable", "--security-opt label=disable", "allow_privileged"},
      {{}, "--security-opt apparmor=unconfined", "--security-opt apparmor=unconfined", "allow_privileged"},
      {{}, "--device /dev/kvm", "--device /dev/kvm", "allow_devices"},
      {{}, "--pid=host", "--pid=host", "allow_host_namespaces"},
      {{}, "--network host", "--network=host", "allow_host_namespaces"},
      {{}, "--net=host", "--net=host", "allow_host_namespaces"},
      {{}, "--ipc=host", "--ipc=host", "allow_host_namespaces"},
      {{}, "--uts host", "--uts=host", "allow_host_namespaces"},
      {{}, "--userns=host", "--userns=host", "allow_host_namespaces"},
      {{"/:/host"}, "", "mount: \"/:/host\"", "allow_system_mounts"},
      {{"/etc:/etc:ro"}, "", "a system directory (/etc)", "allow_system_mounts"},
      {{"/home/volunteer/.ssh:/keys"}, "", "a system directory (/home)", "allow_system_mounts"},
      {{"/data/../etc/shadow:/s"}, "", "a system directory (/etc)", "allow_system_mounts"},
      {{"/lib64:/l"}, "", "a system directory (/lib64)", "allow_system_mounts"},
      {{"/var/run/docker.sock:/var/run/docker.sock"}, "", "/var/run", "allow_system_mounts"},
      {{"/srv/podman/podman.sock:/s"}, "", "an engine's socket", "allow_system_mounts"},
      {{"/var/lib/corvo:/c"}, "", "the client's data directory", "allow_system_mounts"},
      {{"/var/lib/corvo/projects/other:/o"}, "", "the client's data directory", "allow_system_mounts"},
      {{"/var:/v"}, "", "the client's data directory", "allow_system_mounts"},
      {{}, "-v /:/host", "the mount \"/:/host\"", "allow_system_mounts"},
      {{}, "--volume=/run/podman/podman.sock:/s", "/run", "allow_system_mounts"},
      {{}, "--mount type=bind,source=/etc,target=/e", "(/etc)", "allow_system_mounts"},
      {{}, "-v/:/host", "the mount \"/:/host\"", "allow_system_mounts"},
      // Relative to the slot, where the engine shell runs.
      {{"../..:/data"}, "", "the client's data directory", "allow_system_mounts"},
      {{"./../../../../../etc:/e"}, "", "a system directory (/etc)", "allow_system_mounts"},
      {{}, "-v ../../../../../srv/x:/x", "a directory outside the slot (/srv/x)", "allow_system_mounts"},
  };
  for (const auto& c : cases) {
    std::string said = judge(c.mounts, c.create_args);
    std::string name = c.create_args + (c.mounts.empty() ? "" : c.mounts[0]);
    EXPECT_NE(said.find(c.names), std::string::npos) << name << ": " << said;
    EXPECT_NE(said.find(std::string(c.setting) + " = true in quayside.toml"), std::string::npos)
        << name << ": " << said;
  }
}

TEST(EnginePolicy, OrdinaryJobsPass) {
  const struct {
    std::vector<std::string> mounts;
    const char* create_args;
  } cases[] = {
      {{}, ""},
      {{"/data/my cache:/cache", "/plain:/plain:ro"}, "--shm-size=1g -e OMP_NUM_THREADS=4"},
      {{"/opt/refdata:/ref"}, "--network none --pid=container:other --privileged=false"},
      {{"C:\\data:/data"}, "--security-opt no-new-privileges --cpus 2"},
      {{}, "-v /scratch/job:/scratch --mount type=bind,source=/srv/data,target=/d"},
      {{"./input:/input", "refdata:/ref"}, "-v .:/again"},  // the slot itself, and a named volume
  };
  for (const auto& c : cases) {
    EXPECT_EQ(judge(c.mounts, c.create_args), "") << c.create_args;
  }
}

class EnginePolicySettingsTest : public TempDirTest {};

TEST_F(EnginePolicySettingsTest, TheVolunteerAllowsEachKindByItself) {
  ENGINE_POLICY policy;
  read_engine_policy(dir.string(), policy);
  EXPECT_EQ(policy.settings_file, dir.string() + "/quayside.toml");
  EXPECT_FALSE(policy.allow_privileged || policy.allow_devices || policy.allow_host_namespaces ||
               policy.allow_system_mounts);
  write_file("quayside.toml", "allow_privileged = true\nallow_host_namespaces = true\n");
  read_engine_policy(dir.string(), policy);
  EXPECT_TRUE(policy.allow_privileged);
  EXPECT_TRUE(policy.allow_host_namespaces);
  EXPECT_FALSE(policy.allow_devices);
  EXPECT_FALSE(policy.allow_system_mounts);
  EXPECT_EQ(judge({}, "--privileged --cap-add SYS_PTRACE --network=host", policy), "");
  std::string said = judge({}, "--device /dev/fuse", policy);
  EXPECT_NE(said.find("allow_devices = true in " + dir.string() + "/quayside.toml"), std::string::npos) << said;
}

TEST_F(EnginePolicySettingsTest, SettingsThatCantBeReadAllowNothing) {
  for (const char* text : {"allow_privileged = \"yes\"\n", "allow_privileged = tru\n"}) {
    write_file("quayside.toml", text);
    ENGINE_POLICY policy;
    StderrCapture log;
    read_engine_policy(dir.string(), policy);
    EXPECT_FALSE(policy.allow_privileged) << text;
    EXPECT_NE(log.text().find(dir.string() + "/quayside.toml"), std::string::npos) << text;
  }
  ENGINE_POLICY policy;
  read_engine_policy("", policy);
  EXPECT_EQ(policy.settings_file, "");
}
