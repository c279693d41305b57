// The markers that end each engine command's reply, however the reply
// arrives.
#include "engine/reply_marker.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

struct Taken {
  bool complete = false;
  std::string output;
  int status = 99;
};

// Feeds the reply to the markers in pieces of the given size.
Taken take_in_pieces(ReplyMarkers& markers, const std::string& reply, std::size_t piece) {
  Taken taken;
  auto sink = [&](std::string_view bytes) { taken.output.append(bytes); };
  for (std::size_t at = 0; at < reply.size() && !taken.complete; at += piece) {
    taken.complete = markers.take(std::string_view(reply).substr(at, piece), sink, taken.status);
  }
  return taken;
}

}  // namespace

TEST(ReplyMarkers, EachCommandsOwnMarkerEndsItsReplyHoweverItArrives) {
  ReplyMarkers markers(0xabcdefULL);
  EXPECT_EQ(markers.next(), "EOM.0000000000abcdef.1");
  EXPECT_EQ(markers.next(), "EOM.0000000000abcdef.2");
  const std::string m = "EOM.0000000000abcdef.";
  struct {
    const char* name;
    std::string reply;
    bool complete;
    std::string output;  // with a complete reply
    int status;
  } cases[] = {
      {"plain", "a\nEOM\nb\n" + m + "3 0\n", true, "a\nEOM\nb\n", 0},
      {"glued to output", "no newline" + m + "3 3\n", true, "no newline\n", 3},
      {"empty output", m + "3 0\n", true, "", 0},
      {"status still coming", "x\n" + m + "3 1", false, "", 0},
      {"number still coming", "x\n" + m + "3", false, "", 0},
      {"marker cut", "x\nEOM.0000000000ab", false, "", 0},
      {"a stale marker line is dropped", "old\n" + m + "1 0\nnew\n" + m + "3 127\n", true, "old\nnew\n", 127},
      {"other token", "EOM.1111111111111111.3 0\n", false, "", 0},
      {"not a marker line", m + "3 x\n" + m + "3 5\n", true, m + "3 x\n", 5},
      {"a later number", m + "4 0\n" + m + "3 0\n", true, m + "4 0\n", 0},
      {"negative status", m + "3 -1\n", true, "", -1},
      {"NUL in the middle", std::string("a\0b\n", 4) + m + "3 0\n", true, std::string("a\0b\n", 4), 0},
      {"NUL next to the marker", std::string("ab\0", 3) + m + "3 0\n", true, std::string("ab\0\n", 4), 0},
      {"NUL inside the marker line", m + std::string("3\0 0\n", 5) + m + "3 2\n", true,
       m + std::string("3\0 0\n", 5), 2},
  };
  for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(1) << 20}) {
    for (const auto& c : cases) {
      ReplyMarkers fresh(0xabcdefULL);
      fresh.next();
      fresh.next();
      fresh.next();
      Taken taken = take_in_pieces(fresh, c.reply, piece);
      EXPECT_EQ(taken.complete, c.complete) << c.name << " in pieces of " << piece;
      if (c.complete) {
        EXPECT_EQ(taken.output, c.output) << c.name << " in pieces of " << piece;
        EXPECT_EQ(taken.status, c.status) << c.name << " in pieces of " << piece;
      }
    }
  }
}

TEST(ReplyMarkers, MegabytesOfMarkerLikeTextPassThroughWhole) {
  const std::string m = "EOM.0000000000abcdef.";
  std::string decoys;
  while (decoys.size() < (8u << 20)) decoys += "EOM.0000000000abcde" + m + "9" + m + "3 x\n" + m.substr(0, 10);
  ReplyMarkers markers(0xabcdefULL);
  markers.next();
  markers.next();
  markers.next();
  Taken taken = take_in_pieces(markers, decoys + "\n" + m + "3 0\n", 65536);
  EXPECT_TRUE(taken.complete);
  EXPECT_TRUE(taken.output == decoys + "\n");
  EXPECT_EQ(taken.status, 0);
}
