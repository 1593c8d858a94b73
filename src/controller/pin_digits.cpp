// The rules of the four-position PIN field.
#include "controller/pin_digits.h"

#include <algorithm>

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

void PinDigits::Assign(std::u16string_view text) {
  digits_.clear();
  for (char16_t c : text) {
    if (IsDigit(c) && digits_.size() < kPositions) digits_.push_back(c);
  }
}

bool PinDigits::Insert(std::u16string_view typed, bool replace_all) {
  if (typed.empty() || !std::all_of(typed.begin(), typed.end(), IsDigit)) return false;
  const std::size_t kept = replace_all ? 0 : digits_.size();
  if (kept + typed.size() > kPositions) return false;
  digits_.resize(kept);
  digits_.append(typed);
  return true;
}

void PinDigits::DeleteBackward(bool all) {
  if (all) {
    digits_.clear();
  } else if (!digits_.empty()) {
    digits_.pop_back();
  }
}

NativeString PinDigits::Text() const { return NativeString(kPositions - digits_.size(), u' ') + digits_; }

NativeString PinDigits::Shown(bool editing) const {
  return editing ? digits_ + NativeString(kPositions - digits_.size(), u'_') : digits_;
}
