#include "engine/reply_marker.h"

#include <algorithm>
#include <cstdio>
#include <random>

ReplyMarkers::ReplyMarkers()
    : ReplyMarkers((static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()) {}

namespace {

std::string marker_prefix(std::uint64_t token) {
  char text[32];
  std::snprintf(text, sizeof text, "EOM.%016llx.", static_cast<unsigned long long>(token));
  return text;
}

}  // namespace

ReplyMarkers::ReplyMarkers(std::uint64_t token)
    : prefix_(marker_prefix(token)), search_(prefix_.begin(), prefix_.end()) {}

std::string ReplyMarkers::next() {
  held_.clear();
  last_ = '\n';
  any_output_ = false;
  return prefix_ + std::to_string(++sequence_);
}

namespace {

// Reads an unsigned decimal number of at most 19 digits at pos; false when
// there is none.
bool read_number(std::string_view text, std::size_t& pos, std::uint64_t& value) {
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
MarkerLine parse_marker_line(std::string_view text, std::size_t pos, std::uint64_t& sequence, int& status,
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

bool ReplyMarkers::take(std::string_view bytes, const OutputSink& sink, int& exit_status) {
  held_.append(bytes);
  std::string_view rest(held_);
  // Hands on the first count bytes of what is left.
  auto emit = [&](std::size_t count) {
    if (count == 0) return;
    sink(rest.substr(0, count));
    last_ = rest[count - 1];
    any_output_ = true;
    rest.remove_prefix(count);
  };
  for (;;) {
    std::size_t found = static_cast<std::size_t>(std::search(rest.begin(), rest.end(), search_) - rest.begin());
    if (found == rest.size()) {
      // Only a tail shorter than the prefix can still begin it.
      emit(rest.size() - std::min(rest.size(), prefix_.size() - 1));
      break;
    }
    emit(found);
    std::uint64_t sequence = 0;
    int status = 0;
    std::size_t line_end = 0;
    MarkerLine line = parse_marker_line(rest, prefix_.size(), sequence, status, line_end);
    if (line == MarkerLine::incomplete) break;
    if (line == MarkerLine::none || sequence > sequence_) {
      emit(1);
      continue;
    }
    if (sequence < sequence_) {
      // The end of a reply that came too late for its command.
      rest.remove_prefix(line_end);
      continue;
    }
    if (any_output_ && last_ != '\n') sink("\n");
    held_.clear();
    exit_status = status;
    return true;
  }
  held_.erase(0, held_.size() - rest.size());
  return false;
}
