// The client's shared block: eight one-message channels of 1024 bytes. Byte
// 0 of a channel says whether it holds a message; it is the only
// synchronisation between the client and the job, so it is stored with
// release and loaded with acquire ordering. Nothing waits: a full channel
// refuses a send, an empty one a receive.
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t kChannelSize = 1024;
constexpr std::size_t kMaxMessage = 1022;

struct SHM_CHANNEL {
  unsigned char bytes[kChannelSize];
};

struct SHM_AREA {
  SHM_CHANNEL control_in;
  SHM_CHANNEL control_out;
  SHM_CHANNEL graphics_in;
  SHM_CHANNEL graphics_out;
  SHM_CHANNEL pulse_in;
  SHM_CHANNEL status_out;
  SHM_CHANNEL trickle_out;
  SHM_CHANNEL trickle_in;
};
static_assert(sizeof(SHM_AREA) == 8192, "the block's layout is shared with the client");

// Opens the client's block by name; null when it can't be attached.
SHM_AREA* attach_shared_memory(const std::string& name);

// Places text (cut to 1022 characters) in the channel. False when the
// channel still holds a message; it is then unchanged.
bool channel_send(SHM_CHANNEL& channel, const char* text);

// Takes the message into buffer (at least 1023 bytes) and empties the
// channel. False when the channel is empty; buffer is then untouched.
bool channel_receive(SHM_CHANNEL& channel, char* buffer);

// Whether the channel is empty, without taking anything.
bool channel_empty(SHM_CHANNEL& channel);
