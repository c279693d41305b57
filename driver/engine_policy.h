// What a job may ask of the engine on this volunteer's machine. job.toml
// passes mounts and create_args on to the engine, and a project's job could
// ask for the whole machine (--privileged, the host's namespaces, the engine's
// own socket, a mount of /). Those are refused unless the volunteer allows
// them in quayside.toml in the client's data directory. Main thread only.
#pragma once

#include <string>

#include "driver/job_config.h"

// The volunteer's allowances; all off unless quayside.toml turns them on.
struct ENGINE_POLICY {
  bool allow_privileged = false;       // --privileged, --cap-add, --security-opt that lifts confinement
  bool allow_devices = false;          // --device
  bool allow_host_namespaces = false;  // --pid, --ipc, --uts, --userns, --network (--net) = host
  bool allow_system_mounts = false;    // /, system directories, the client's data directory, engine sockets
  std::string settings_file;           // where the allowances were looked for; empty: nowhere
};

// The source of a mount "SOURCE:TARGET[:OPTIONS]" (a Windows drive letter
// kept with its path); the whole text when it has no target.
std::string mount_volume_source(const std::string& value);

// The name of the settings file in the client's data directory.
inline constexpr const char* kPolicyFileName = "quayside.toml";

// Reads client_dir/quayside.toml into policy (with no client_dir, nothing is
// read and nothing is allowed). A missing file allows nothing; a file that
// can't be read or understood allows nothing, after a message naming it.
void read_engine_policy(const std::string& client_dir, ENGINE_POLICY& policy);

// Empty when the job's mounts and create_args keep within the policy; else
// the message that refuses the first thing that doesn't, naming the key,
// the option and the setting that would allow it. slot_dir is the slot's
// absolute path, against which sources beginning with '.' are read.
std::string engine_policy_refusal(const JOB_CONFIG& config, const ENGINE_POLICY& policy,
                                  const std::string& client_dir, const std::string& slot_dir);
