// Names, layout visibility and list order of the main window's components.
#include "controller/form_view.h"

#include <array>

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Control::Count)> kControlNames = {
    "Image1",  "Image2",  "Shape1",  "Label2",  "Label18", "Label19",   "Label20",   "Label21",
    "Label27", "Panel2",  "Notebook1", "ListBox1", "ListBox3", "BitBtn1", "TrackBar1",
    "Label8",  "Label14", "Label26", "Label28", "Label31", "Label46",   "Button8",
    "Label9",  "Label13", "Label24", "Label25", "Label32", "Label33",   "Label34",   "Label35",
    "Label39", "Label40", "Label42", "Label44", "Image3",  "Image4",    "Image5",
    "Label1",  "Label3",  "Label4",  "Label5",  "Label6",  "Label7",    "Label10",   "Label30",
    "Bevel1",  "Bevel2",  "MaskEdit1", "Edit1", "Edit2",   "Edit3",     "Edit4",     "ComboBox1",
    "CheckBox1", "CheckBox2", "Button7",
    "Label11", "Label12", "s",       "Label16", "Label17", "Label22",   "Label23",   "Label29",
    "Image6",  "Button1", "Button2", "Button3",
};

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  // Latin-1 small letters, except the division sign and the two without a capital form here.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

}  // namespace

const char* ControlName(Control control) {
  const auto index = static_cast<std::size_t>(control);
  return index < kControlNames.size() ? kControlNames[index] : "?";
}

bool HiddenInLayout(Control control) {
  switch (control) {
    // progress ladder
    case Control::Label34: case Control::Label32: case Control::Label35: case Control::Image3:
    case Control::Label39: case Control::Label25: case Control::Label40: case Control::Image4:
    case Control::Label42: case Control::Label44: case Control::Label13: case Control::Image5:
    // PUK entry, user name and password
    case Control::Label30: case Control::Edit4: case Control::Label5: case Control::Label6:
    case Control::Edit2: case Control::Edit3:
    // restart, and the debug components
    case Control::Label22: case Control::Button2: case Control::ListBox1: case Control::ListBox3:
    case Control::Label2: case Control::BitBtn1: case Control::TrackBar1:
      return true;
    default:
      return false;
  }
}

bool OperatorItemLess(const NativeString& a, const NativeString& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = FoldCase(a[i]);
    const char16_t y = FoldCase(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}
