#include "platform/terminal_text.h"

#include <cstdio>

namespace platform {
namespace {

void append_escaped(unsigned char byte, std::string& out) {
  char text[5];
  std::snprintf(text, sizeof text, "\\x%02X", byte);
  out += text;
}

bool c0_or_del(unsigned char byte) { return (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F; }

}  // namespace

void TerminalText::escape(std::string_view bytes, std::string& out) {
  for (char raw : bytes) {
    auto byte = static_cast<unsigned char>(raw);
    if (after_c2_) {
      after_c2_ = false;
      if (byte >= 0x80 && byte <= 0x9F) {  // U+0080 to U+009F
        append_escaped(0xC2, out);
        append_escaped(byte, out);
        continue;
      }
      out += '\xC2';
    }
    if (byte == 0xC2) {
      after_c2_ = true;
    } else if (c0_or_del(byte)) {
      append_escaped(byte, out);
    } else {
      out += static_cast<char>(byte);
    }
  }
}

}  // namespace platform
