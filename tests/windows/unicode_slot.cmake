# A job, its slot and its job.toml under a directory named "Jörg-Ω", run
# end to end through corvo-sim.exe and quayside.exe with a stand-in for the
# WSL containers tool; then run again into the slot the first run left, as
# a client does (the copy must replace what is there, on the same drive).
# Then a slot whose files' paths are longer than 260 characters. Last,
# quayside-inspect reads a job.toml named with "Ω" given on its command line. Run with -DQUAYSIDE, -DCORVO_SIM, -DFAKE_WSLC, -DINSPECT
# (the built programs) and -DEMULATOR=<wine or empty>.
set(root "${CMAKE_CURRENT_BINARY_DIR}/unicode-Jörg-Ω")
file(REMOVE_RECURSE "${root}")
file(MAKE_DIRECTORY "${root}/job")
file(WRITE "${root}/job/Dockerfile" "FROM scratch\n")
file(WRITE "${root}/job/job.toml" "verbose = 1\n")
file(MAKE_DIRECTORY "${root}/job/data")
file(WRITE "${root}/job/data/input-Ω.txt" "input\n")

# Windows paths of the files, for the programs under the emulator.
function(windows_path unix_path out)
  if(EMULATOR)
    string(REPLACE "/" "\\" path "${unix_path}")
    set(${out} "Z:${path}" PARENT_SCOPE)
  else()
    set(${out} "${unix_path}" PARENT_SCOPE)
  endif()
endfunction()
get_filename_component(fake_dir "${FAKE_WSLC}" DIRECTORY)
windows_path("${fake_dir}" fake_dir_w)
windows_path("${QUAYSIDE}" quayside_w)
windows_path("${root}/slot" slot_w)
windows_path("${root}/job" job_w)
set(ENV{WINEPATH} "${fake_dir_w}")
set(ENV{PATH} "${fake_dir}:$ENV{PATH}")
set(ENV{LC_ALL} "C.UTF-8")

# Runs the job through corvo-sim into slot (a Linux path) and checks that it
# finished with 0, its log and its files in the slot.
function(run_job run slot)
  windows_path("${slot}" slot_windows)
  file(REMOVE "${slot}/corvo_finish_called")
  execute_process(COMMAND ${EMULATOR} "${CORVO_SIM}" --quayside "${quayside_w}" --slot "${slot_windows}" --wslc
                          --timeout 120 --json "${job_w}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 200)
  if(EXISTS "${slot}/stderr.txt")
    file(READ "${slot}/stderr.txt" log)
  else()
    set(log "(no stderr.txt)")
  endif()
  if(NOT status EQUAL 0 OR NOT EXISTS "${slot}/corvo_finish_called")
    message(FATAL_ERROR "${run} run: corvo-sim status ${status}\n${err}\n${out}\n--- stderr.txt\n${log}")
  endif()
  file(READ "${slot}/corvo_finish_called" finish)
  if(NOT finish STREQUAL "0\n")
    message(FATAL_ERROR "${run} run: finish file '${finish}'\n--- stderr.txt\n${log}")
  endif()
  foreach(expected "hello from the container in Jörg-Ω" "called corvo_finish(0)")
    string(FIND "${log}" "${expected}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${run} run: stderr.txt lacks '${expected}':\n${log}")
    endif()
  endforeach()
  if(NOT EXISTS "${slot}/data/input-Ω.txt")
    message(FATAL_ERROR "${run} run: the job's files were not copied into the slot")
  endif()
endfunction()

foreach(run first second)
  run_job(${run} "${root}/slot")
endforeach()

# The engine was called in the slot and got the job's names whole.
file(READ "${root}/slot/fake_wslc.log" calls)
foreach(expected "build|" "create|--name|" "start|" "logs|" "rm|")
  string(FIND "${calls}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the engine was not called with '${expected}':\n${calls}")
  endif()
endforeach()

# A slot of 250 characters, whose files' paths pass the old limit of 260
# (a client whose data directory was moved deep). A slot itself longer than
# that can't be a current directory: the system does not start a program
# in one (the file calls are tested deeper than 300 in the unit tests).
windows_path("${root}/slot-" deep_w)
string(LENGTH "${deep_w}" length)
math(EXPR padding "250 - ${length}")
string(REPEAT "d" ${padding} part)
set(deep "${root}/slot-${part}")
run_job(deep "${deep}")

file(WRITE "${root}/job-Ω.toml" "workdir = \"/app/Ω\"\n")
windows_path("${root}/job-Ω.toml" toml_w)
execute_process(COMMAND ${EMULATOR} "${INSPECT}" toml "${toml_w}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
string(FIND "${out}" "/app/Ω" at)
if(NOT status EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "quayside-inspect toml job-Ω.toml: status ${status}\n${err}\n${out}")
endif()

# The tool, started without a shell, is given the slot by its full path.
string(FIND "${calls}" "|-v|${slot_w}\\:/app|" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the slot was not mounted by its full path '${slot_w}\\':\n${calls}")
endif()
