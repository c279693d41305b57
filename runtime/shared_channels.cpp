#include "runtime/shared_channels.h"

#include <atomic>
#include <cstring>

#include "platform/shared_block.h"

namespace {

std::atomic_ref<unsigned char> full_flag(SHM_CHANNEL& channel) {
  return std::atomic_ref<unsigned char>(channel.bytes[0]);
}

}  // namespace

SHM_AREA* attach_shared_memory(const std::string& name) {
  return static_cast<SHM_AREA*>(platform::attach_named_block(name, sizeof(SHM_AREA)));
}

bool channel_send(SHM_CHANNEL& channel, const char* text) {
  if (full_flag(channel).load(std::memory_order_acquire) != 0) return false;
  std::size_t length = ::strnlen(text, kMaxMessage);
  std::memcpy(channel.bytes + 1, text, length);
  channel.bytes[1 + length] = '\0';
  full_flag(channel).store(1, std::memory_order_release);
  return true;
}

bool channel_receive(SHM_CHANNEL& channel, char* buffer) {
  if (full_flag(channel).load(std::memory_order_acquire) == 0) return false;
  std::size_t length = ::strnlen(reinterpret_cast<const char*>(channel.bytes + 1), kMaxMessage);
  std::memcpy(buffer, channel.bytes + 1, length);
  buffer[length] = '\0';
  full_flag(channel).store(0, std::memory_order_release);
  return true;
}

bool channel_empty(SHM_CHANNEL& channel) { return full_flag(channel).load(std::memory_order_acquire) == 0; }
