#pragma once
// A LineFile over a byte string, with an optional size limit that makes writes beyond it
// come up short, the way they do on a full disk.
#include <algorithm>
#include <cstring>
#include <string>

#include "system/LineReading.h"

namespace kaze::test {

class MemoryLineFile : public LineFile {
 public:
  explicit MemoryLineFile(std::string data = std::string()) : data_(std::move(data)) {}

  const std::string& data() const { return data_; }
  void LimitSize(size_t limit) { limit_ = limit; }

  size_t Write(const void* bytes, size_t count) override {
    size_t room = position_ < limit_ ? limit_ - position_ : 0;
    size_t n = std::min(count, room);
    if (position_ + n > data_.size()) data_.resize(position_ + n);
    std::memcpy(&data_[0] + position_, bytes, n);
    position_ += n;
    return n;
  }
  bool Tell(uint32_t* position) override {
    *position = static_cast<uint32_t>(position_);
    return true;
  }
  bool Size(uint32_t* size) override {
    *size = static_cast<uint32_t>(data_.size());
    return true;
  }
  bool Truncate() override {
    data_.resize(position_);
    return true;
  }

 protected:
  size_t ReadRaw(void* buffer, size_t count) override {
    size_t n = position_ < data_.size() ? std::min(count, data_.size() - position_) : 0;
    if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
  }
  bool SeekRaw(uint32_t position) override {
    if (position > data_.size()) return false;
    position_ = position;
    return true;
  }

 private:
  std::string data_;
  size_t position_ = 0;
  size_t limit_ = static_cast<size_t>(-1);
};

}  // namespace kaze::test
