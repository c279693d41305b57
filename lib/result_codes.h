// Result codes shared by every layer: 0 for success, a negative code for a
// failure, each with a fixed text. System error numbers are a separate kind
// and never appear here.
#pragma once

#include <cstdint>

enum RESULT_CODE : std::int32_t {
  RC_SUCCESS = 0,
  RC_READ_FAILED = -102,
  RC_WRITE_FAILED = -103,
  RC_CONNECT_FAILED = -107,
  RC_FOPEN_FAILED = -108,
  RC_UNLINK_FAILED = -110,
  RC_XML_UNEXPECTED = -112,
  RC_SOCKET_FAILED = -153,
  RC_NOT_FOUND = -161,
  RC_INVALID_PARAMETER = -178,
  RC_BIND_FAILED = -180,
  RC_TIMED_OUT = -182,
  RC_RESULT_ABORTED_BY_USER = -197,
  RC_STAT_FAILED = -240,
};

// The text of a result code. Codes without a text of their own give
// "Error %d" in a per-thread buffer that the next such call overwrites; all
// other texts are constant. Never fails.
const char* result_text(int code);
