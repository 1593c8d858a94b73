// The rules of the four-position PIN field, the same in every window.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/text.h"

// The typed digits of the PIN field. The field's text is always four characters, blanks in
// front of the digits; while the field is edited each untyped position shows as "_" after the
// digits. Anything but a digit, and a digit beyond the fourth, is refused.
class PinDigits {
 public:
  static constexpr std::size_t kPositions = 4;

  // Keeps the digits of `text` in their order, at most four; everything else is dropped.
  void Assign(std::u16string_view text);
  // Puts typed digits after those there, or in place of all of them; refuses the whole
  // insertion (false, nothing changes) when it holds anything but digits or would make more
  // than four.
  bool Insert(std::u16string_view typed, bool replace_all);
  // Removes the last digit, or all of them.
  void DeleteBackward(bool all);

  // Always kPositions characters: blanks in front of the digits.
  NativeString Text() const;
  // What the field shows: the digits from the left and, while it is edited, "_" for each
  // untyped position.
  NativeString Shown(bool editing) const;
  const NativeString& Digits() const { return digits_; }
  std::size_t Count() const { return digits_.size(); }

 private:
  NativeString digits_;
};
