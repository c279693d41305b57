#include "lib/text_source.h"

#include <cstring>

int TEXT_SOURCE::getc() {
  if (exhausted_) return END;
  if (file_ != nullptr) {
    int byte = std::getc(file_);
    return byte == EOF ? END : byte;
  }
  if (text_ == nullptr || text_[position_] == '\0') return END;
  return static_cast<unsigned char>(text_[position_++]);
}

void TEXT_SOURCE::ungetc(int byte) {
  if (exhausted_ || byte == END) return;
  if (file_ != nullptr) {
    std::ungetc(byte, file_);
  } else if (position_ > 0) {
    --position_;
  }
}

bool TEXT_SOURCE::read_line(char* buffer, std::size_t size) {
  if (exhausted_ || size < 2) return false;
  if (file_ != nullptr) return std::fgets(buffer, static_cast<int>(size), file_) != nullptr;
  if (text_ == nullptr || text_[position_] == '\0') return false;
  std::size_t count = 0;
  while (count + 1 < size && text_[position_] != '\0') {
    char c = text_[position_++];
    buffer[count++] = c;
    if (c == '\n') break;
  }
  buffer[count] = '\0';
  return true;
}
