// The words of every engine command and the readers of every reply, one
// dialect per engine: Docker, Podman and the WSL containers tool. Chosen
// once when the engine connection is set up; the job driver asks its
// dialect and never tests which engine it has. Constant objects, free of
// state: any thread may use them.
#pragma once

#include <string>
#include <vector>

#include "engine/container_status.h"
#include "engine/engine_command.h"
#include "engine/engine_type.h"

// What an image build needs. The build's context is the slot directory,
// the engine's working directory.
struct BuildRequest {
  std::string image;
  std::string recipe_file;
  std::vector<std::string> extra_args;  // the job's own build options, one word each
};

// What a container needs at creation.
struct CreateRequest {
  std::string container;
  std::string image;
  std::string workdir;          // where the slot directory is mounted
  std::string project_source;   // the project directory, relative to the slot directory
  std::string project_target;   // where it is mounted; empty: not mounted
  std::vector<std::string> job_args;
  std::vector<std::string> mounts;
  std::vector<std::string> portmaps;
  double cpus = 0;              // a CPU limit when above 1
  bool gpus = false;
  int host_port = 0;            // with guest_port: a port map when both are set
  int guest_port = 0;
  std::vector<std::string> extra_args;  // the job's own create options, one word each
};

// How a stats reply read.
enum class StatsReading {
  ok,            // percent and memory in bytes were read
  no_unit,       // the memory's unit is missing or unknown
  nothing,       // the reply was empty
  unreadable,    // no line had the figures
  bad_document,  // a malformed reply, already reported on standard error
};

// The bytes of a memory amount in the unit an engine printed: "B"; "kB",
// "KB", "MB", "GB", "TB" (powers of 1000, as Podman prints them); "KiB",
// "MiB", "GiB", "TiB" (powers of 1024, as Docker prints them); a bare "K",
// "M", "G" or "T" (powers of 1024). False for any other unit.
bool memory_bytes(double amount, const std::string& unit, double& bytes);

class EngineDialect {
 public:
  virtual ~EngineDialect() = default;

  virtual ENGINE_TYPE type() const = 0;
  const char* program() const { return engine_program_name(type()); }
  const char* display_name() const { return engine_display_name(type()); }

  EngineCommand images() const { return {"images"}; }
  EngineCommand build(const BuildRequest& wanted) const;
  EngineCommand create(const CreateRequest& wanted) const;
  // "start", "pause", "unpause" or "kill" of the container.
  EngineCommand container_op(const char* op, const std::string& container) const { return {op, container}; }
  virtual EngineCommand state_query(const std::string& container) const = 0;
  virtual EngineCommand poll_query(const std::string& container) const = 0;
  virtual EngineCommand stats_query(const std::string& container) const = 0;
  EngineCommand logs(const std::string& container) const {
    return EngineCommand{"logs", container}.set_deadline(0);
  }
  EngineCommand container_rm(const std::string& container) const { return {"container", "rm", container}; }
  EngineCommand image_rm(const std::string& image) const { return {"image", "rm", image}; }

  // Whether the "images" reply lists the image: a line holding its name
  // followed by a blank.
  bool image_listed(const std::vector<std::string>& lines, const std::string& image) const;

  // Whether a refused command's output says that the engine itself can't
  // be reached (its daemon or service is down), rather than that it
  // refused the command.
  bool says_unreachable(const std::vector<std::string>& lines) const;

  // Whether a command's output says the engine refused it although its
  // exit status may not: a line holding "Error".
  bool says_refused(const std::vector<std::string>& lines) const;

  // Whether a failed build's output points to a lost network connection
  // (a base image or a package that could not be fetched).
  bool says_network_lost(const std::vector<std::string>& lines) const;

  // Reads the state query's reply. Returns 0 with state (CONTAINER_ABSENT
  // when the container is not listed), or -1 after a message when the
  // reply can't be read.
  virtual int read_state(const std::vector<std::string>& lines, const std::string& container,
                         CONTAINER_STATE& state) const = 0;

  // Reads the poll's reply; on POLL_EXITED exit_code holds the code.
  virtual POLL_OUTCOME read_poll(const std::vector<std::string>& lines, const std::string& container,
                                 int& exit_code) const = 0;

  // Reads CPU percent, the memory in use in bytes and, where the engine
  // tells it, the container's CPU seconds so far (else cpu_seconds stays).
  virtual StatsReading read_stats(const std::vector<std::string>& lines, double& percent, double& bytes,
                                  double& cpu_seconds) const = 0;

  // What an interrupted build may leave: untagged images, and (Podman) the
  // builder's working containers, which only "ps --external" shows. False
  // where the engine can't be asked. The replies are lists of IDs, read by
  // read_ids and read_build_containers; removal_of removes one ID.
  virtual bool dangling_images_query(EngineCommand& command) const;
  virtual bool build_containers_query(EngineCommand& command) const { (void)command; return false; }
  std::vector<std::string> read_ids(const std::vector<std::string>& lines) const;
  std::vector<std::string> read_build_containers(const std::vector<std::string>& lines) const;
  EngineCommand image_rm_id(const std::string& id) const { return {"image", "rm", id}; }
  EngineCommand container_rm_id(const std::string& id) const { return {"container", "rm", "--force", id}; }

  // Whether the kernel's out-of-memory killer ended the container, where
  // the engine can be asked; the reply is read by read_out_of_memory.
  virtual bool out_of_memory_query(const std::string& container, EngineCommand& command) const {
    command = EngineCommand{"inspect", "--format", "{{.State.OOMKilled}}", container};
    return true;
  }
  // The answer as the engine printed it: true or false, or unknown when
  // the reply says neither.
  enum class Answer { yes, no, unknown };
  Answer read_out_of_memory(const std::vector<std::string>& lines) const;

  // The container's main process (as the engine's host numbers it) and
  // full ID, where the engine can be asked; read by read_process.
  virtual bool process_query(const std::string& container, EngineCommand& command) const {
    command = EngineCommand{"inspect", "--format", "{{.State.Pid}} {{.Id}}", container};
    return true;
  }
  // Reads "PID ID": false unless the process is a positive number and the
  // ID hexadecimal (a container that is not running has process 0).
  static bool read_process(const std::vector<std::string>& lines, long& pid, std::string& id);

  // The query of how many CPUs the engine's host has, when the engine can
  // be asked; its reply is read by read_host_cpus (0 when unreadable).
  virtual bool host_cpus_query(EngineCommand& command) const = 0;
  int read_host_cpus(const std::vector<std::string>& lines) const;

 protected:
  // What the engine's client prints when it can't reach the engine.
  virtual std::vector<const char*> unreachable_texts() const = 0;
  // Options the engine wants on every build, right after the context.
  virtual std::vector<std::string> build_options() const { return {}; }
  // How the engine hands the container every GPU.
  virtual std::vector<std::string> gpu_options() const { return {"--gpus", "all"}; }
  // Options the engine wants last before the image at creation.
  virtual std::vector<std::string> create_options() const { return {}; }
  // The bind-mount source of a directory below the slot directory (empty:
  // the slot directory itself), ending with '/'.
  virtual CommandWord mount_source(const std::string& below_slot) const;
};

// The dialect of the engine type: Podman for 2, the WSL containers tool for
// 3, Docker's for any other value.
const EngineDialect& engine_dialect(int type);
