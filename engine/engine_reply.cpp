#include "engine/engine_reply.h"

#include "lib/result_codes.h"

bool channel_lost(int result) {
  return result == RC_CONNECT_FAILED || result == RC_TIMED_OUT || result == RC_READ_FAILED;
}

EngineReply::Outcome judge_reply(const EngineDialect& dialect, int result, int exit_status,
                                 const std::vector<std::string>& lines, bool error_line_refuses) {
  using Outcome = EngineReply::Outcome;
  if (result == RC_RESULT_ABORTED_BY_USER) return Outcome::given_up;
  if (channel_lost(result)) return Outcome::unreachable;
  if (result != 0) return Outcome::failed;
  if (exit_status != 0 && dialect.says_unreachable(lines)) return Outcome::unreachable;
  if (exit_status != 0 || (error_line_refuses && dialect.says_refused(lines))) return Outcome::refused;
  return Outcome::ok;
}
