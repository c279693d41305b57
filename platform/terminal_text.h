// Text on its way to a person's terminal. The log holds what the container
// and the job's files printed, and a terminal acts on control characters
// (titles, clipboard writes, screen clears): there they are shown escaped.
// Files keep the bytes as they are. No state beyond the caller's; any
// thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class TerminalText {
 public:
  // Appends bytes to out with every control character but newline and tab
  // written as "\xHH": C0 controls, DEL, and C1 controls as UTF-8 encodes
  // them (other bytes above 0x7F are parts of letters and stay). A UTF-8
  // sequence cut between two calls is judged whole.
  void escape(std::string_view bytes, std::string& out);

 private:
  bool after_c2_ = false;  // the last byte was 0xC2, which may start a C1 control
};

}  // namespace platform
