// The Win32 windows read back through their child windows for the layout contract, in the
// layout's pixels whatever the window's DPI.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "support/layout_contract.h"
#include "ui_win32/main_window_win32.h"

// The window read back through its child windows, for the layout contract. Drawn components
// (pictures, the shape, bevels, the panel) have no window: their box is the one they are
// painted in.
class Win32Inspector : public ComponentInspector {
 public:
  explicit Win32Inspector(Win32MainWindow& window) : window_(window) { window_.Built().BuildEveryPage(); }

  bool Shows(LayoutWindow) const override { return true; }

  std::vector<InspectedComponent> Find(LayoutWindow which, std::string_view name) const override {
    std::vector<InspectedComponent> found;
    for (const BuiltComponent& component : Built(which).Components()) {
      if (name == component.row->name) found.push_back(Inspect(component));
    }
    return found;
  }

  // The dialog manager's order: the stacking order of each parent's tab stops, descending into
  // the containers, whether or not a control is shown at the moment.
  std::optional<std::vector<std::string>> TabOrder(LayoutWindow which) const override {
    std::vector<std::string> order;
    CollectTabStops(Built(which).Handle(), order);
    return order;
  }

  // Win32 ties the stacking order to the tab order (the dialog manager walks the one to find
  // the other), so the view stacks by tab order and the contract's comparison does not apply.
  std::optional<std::vector<std::string>> StackingOrder(LayoutWindow, std::string_view) const override {
    return std::nullopt;
  }

 private:
  const BuiltWindow& Built(LayoutWindow which) const {
    switch (which) {
      case LayoutWindow::Main:
        return window_.Built();
      case LayoutWindow::MessageWindow:
        return window_.Messages().Built();
      case LayoutWindow::LogForm:
        break;
    }
    return window_.LogForm().Built();
  }

  static void CollectTabStops(HWND parent, std::vector<std::string>& order) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      const BuiltComponent* component = ComponentOf(child);
      if (component == nullptr) continue;
      if ((::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0) order.emplace_back(component->row->name);
      if ((::GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0) CollectTabStops(child, order);
    }
  }

  // Pixels at the window's DPI brought back to the layout's, at 96 DPI.
  static int Unscaled(int pixels, UINT dpi) { return ::MulDiv(pixels, 96, static_cast<int>(dpi)); }
  static LayoutBox UnscaledBox(const RECT& box, UINT dpi) {
    return {Unscaled(box.left, dpi), Unscaled(box.top, dpi), Unscaled(box.right - box.left, dpi),
            Unscaled(box.bottom - box.top, dpi)};
  }

  InspectedComponent Inspect(const BuiltComponent& component) const {
    InspectedComponent inspected;
    const ComponentLayout& row = *component.row;
    const UINT dpi = Built(row.window).Display().dpi;
    if (component.hwnd == nullptr) {
      inspected.parent = row.parent;
      inspected.box = UnscaledBox(component.box, dpi);
      inspected.hidden = !component.visible;
      return inspected;
    }
    inspected.hidden = (::GetWindowLongW(component.hwnd, GWL_STYLE) & WS_VISIBLE) == 0;
    RECT box{};
    if (row.kind == ComponentKind::Window) {
      ::GetClientRect(component.hwnd, &box);
      inspected.parent = "";
    } else {
      HWND parent = ::GetParent(component.hwnd);
      inspected.parent = ComponentOf(parent) != nullptr ? ComponentOf(parent)->row->name : "?";
      ::GetWindowRect(component.hwnd, &box);
      ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    }
    inspected.box = UnscaledBox(box, dpi);
    inspected.font = FontOf(component, dpi);
    if (row.control == Control::PinField) {
      inspected.text = NativeToUtf8(window_.Text(Control::PinField));
    } else if (row.kind != ComponentKind::ComboBox && row.kind != ComponentKind::ListBox) {
      inspected.text = NativeToUtf8(Native(WindowText(component.hwnd)));
    }
    return inspected;
  }

  // Size and weight as the control has them; the face as asked for (the system may stand in
  // another) and the colour the view paints the text in.
  static InspectedFont FontOf(const BuiltComponent& component, UINT dpi) {
    InspectedFont font;
    LOGFONTW description{};
    const auto handle = reinterpret_cast<HFONT>(::SendMessageW(component.hwnd, WM_GETFONT, 0, 0));
    if (handle != nullptr) ::GetObjectW(handle, sizeof description, &description);
    font.face = FaceName(component.font.face);
    // The height asked for at this DPI stands for the layout's; any other is brought back.
    const int height = description.lfHeight < 0 ? -description.lfHeight : description.lfHeight;
    font.pixel_height = height == ::MulDiv(component.font.points, static_cast<int>(dpi), 72)
                            ? PixelHeight(component.font)
                            : Unscaled(height, dpi);
    font.bold = description.lfWeight >= FW_BOLD;
    if (IsLabel(component.row->kind)) font.colour = component.font.colour;
    return font;
  }

  Win32MainWindow& window_;
};

