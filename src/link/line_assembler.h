// Assembly of received bytes into lines (the program-wide LineBuffer).
#pragma once

#include <cstddef>
#include <cstdint>

class LineAssembler {
 public:
  static constexpr std::size_t kCapacity = 15000;

  std::uint32_t Length() const { return length_; }

 private:
  char buffer_[kCapacity] = {};
  std::uint32_t length_ = 0;
};
