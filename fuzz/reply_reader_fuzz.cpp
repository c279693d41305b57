// Feeds arbitrary bytes to the engine shell's reply reader in pieces of
// sizes the input chooses, and checks it against the same bytes in one
// piece: the same output, the same end, the same exit status, however the
// reply is cut. The first byte chooses the piece sizes; the rest is the
// reply, where "@" stands for the current command's marker prefix.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/reply_marker.h"

namespace {

struct Taken {
  bool complete = false;
  int status = 0;
  std::string output;
};

Taken take(const std::string& reply, unsigned seed) {
  ReplyMarkers markers(0x1234abcdULL);
  markers.next();
  markers.next();
  Taken taken;
  auto sink = [&](std::string_view bytes) { taken.output.append(bytes); };
  std::size_t at = 0;
  while (at < reply.size() && !taken.complete) {
    std::size_t piece = seed == 0 ? reply.size() : 1 + (at * 7 + seed) % (seed % 13 + 1);
    taken.complete = markers.take(std::string_view(reply).substr(at, piece), sink, taken.status);
    at += piece;
  }
  return taken;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  unsigned seed = data[0] == 0 ? 1 : data[0];
  std::string reply;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == '@') {
      reply += "EOM.000000001234abcd.";
    } else {
      reply += static_cast<char>(data[i]);
    }
  }
  Taken whole = take(reply, 0);
  Taken pieces = take(reply, seed);
  if (whole.complete != pieces.complete) std::abort();
  if (whole.complete && (whole.status != pieces.status || whole.output != pieces.output)) std::abort();
  return 0;
}
