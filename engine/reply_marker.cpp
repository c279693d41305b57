#include "engine/reply_marker.h"

#include <cstdio>
#include <random>

ReplyMarkers::ReplyMarkers()
    : ReplyMarkers((static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()) {}

ReplyMarkers::ReplyMarkers(std::uint64_t token) {
  char text[32];
  std::snprintf(text, sizeof text, "EOM.%016llx.", static_cast<unsigned long long>(token));
  prefix_ = text;
}

std::string ReplyMarkers::next() { return prefix_ + std::to_string(++sequence_); }

namespace {

// Reads an unsigned decimal number at pos; false when there is none.
bool read_number(const std::string& text, std::size_t& pos, std::uint64_t& value) {
  std::size_t start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 19) {
    value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
    ++pos;
  }
  return pos > start;
}

enum class MarkerLine { none, incomplete, complete };

// Parses "<n> <status>\n" after a marker prefix at pos.
MarkerLine parse_marker_line(const std::string& text, std::size_t pos, std::uint64_t& sequence, int& status,
                             std::size_t& line_end) {
  if (!read_number(text, pos, sequence)) return pos >= text.size() ? MarkerLine::incomplete : MarkerLine::none;
  if (pos >= text.size()) return MarkerLine::incomplete;
  if (text[pos++] != ' ') return MarkerLine::none;
  bool negative = pos < text.size() && text[pos] == '-';
  if (negative) ++pos;
  std::uint64_t value = 0;
  if (!read_number(text, pos, value)) return pos >= text.size() ? MarkerLine::incomplete : MarkerLine::none;
  if (pos >= text.size()) return MarkerLine::incomplete;
  if (text[pos] != '\n') return MarkerLine::none;
  status = static_cast<int>(negative ? -static_cast<long long>(value) : static_cast<long long>(value));
  line_end = pos + 1;
  return MarkerLine::complete;
}

}  // namespace

bool ReplyMarkers::take_reply(std::string& buffer, std::string& output, int& exit_status) const {
  std::size_t search = 0;
  for (;;) {
    std::size_t found = buffer.find(prefix_, search);
    if (found == std::string::npos) return false;
    std::uint64_t sequence = 0;
    int status = 0;
    std::size_t line_end = 0;
    MarkerLine line = parse_marker_line(buffer, found + prefix_.size(), sequence, status, line_end);
    if (line == MarkerLine::incomplete) return false;
    if (line == MarkerLine::none) {
      search = found + 1;
      continue;
    }
    if (sequence < sequence_) {
      // The end of a reply that came too late for its command.
      buffer.erase(0, line_end);
      search = 0;
      continue;
    }
    if (sequence != sequence_) {
      search = found + 1;
      continue;
    }
    output = buffer.substr(0, found);
    if (!output.empty() && output.back() != '\n') output += '\n';
    exit_status = status;
    return true;
  }
}
