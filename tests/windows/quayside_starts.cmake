# quayside.exe in a job directory where WSL is absent: it starts, logs to
# stderr.txt, tries the runner distro and finishes the job with status 1.
# Run with -DQUAYSIDE=<path of quayside.exe> -DEMULATOR=<wine or empty>.
set(dir "${CMAKE_CURRENT_BINARY_DIR}/quayside-starts")
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}")
file(WRITE "${dir}/Dockerfile" "FROM scratch\n")
execute_process(COMMAND ${EMULATOR} "${QUAYSIDE}" WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status
                OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
file(READ "${dir}/stderr.txt" log)
foreach(expected "quayside 23 starting" "Using WSL distro corvo-tavi-runner" "wsl_init() failed: -1"
        "stderr from container:\nstderr end\n" "called corvo_finish(1)")
  string(FIND "${log}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "stderr.txt lacks '${expected}':\n${log}")
  endif()
endforeach()
file(READ "${dir}/corvo_finish_called" finish)
if(NOT status EQUAL 1 OR NOT finish STREQUAL "1\n")
  message(FATAL_ERROR "exit status ${status}, finish file '${finish}'")
endif()
