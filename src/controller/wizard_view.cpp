// Names and layout visibility of the main window's components, and the operator list's order.
#include "controller/wizard_view.h"

#include "controller/window_layout.h"

namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  // Latin-1 small letters, except the division sign and the two without a capital form here.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

}  // namespace

const char* ControlName(Control control) {
  return control < Control::Count ? LayoutOf(control).name : "?";
}

bool HiddenInLayout(Control control) { return control < Control::Count && LayoutOf(control).Hidden(); }

bool OperatorItemLess(const NativeString& a, const NativeString& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = FoldCase(a[i]);
    const char16_t y = FoldCase(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}
