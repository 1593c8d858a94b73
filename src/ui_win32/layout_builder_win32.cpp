// Builds a window's components from the layout table, and the containers that draw what lies
// under the controls.
#include "ui_win32/layout_builder_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "common/text.h"
#include "common/user_language.h"
#include "common/user_text.h"
#include "controller/page_presenter.h"
#include "ui_win32/display_win32.h"

namespace {

constexpr const wchar_t* kContainerClass = L"RodiduzContainer";
// The drop-down list of a combo box opens below its box; CreateWindow's height includes it.
constexpr int kDropDownHeight = 240;
// The face of a window where no picture lies, in the window's own look: the light grey of a
// standard dialog, whatever the system's colours.
constexpr COLORREF kLightFace = RGB(240, 240, 240);

bool IsDrawn(ComponentKind kind) {
  return kind == ComponentKind::Picture || kind == ComponentKind::Shape || kind == ComponentKind::Bevel ||
         kind == ComponentKind::Panel;
}

bool IsContainer(ComponentKind kind) {
  return kind == ComponentKind::Notebook || kind == ComponentKind::Page;
}

// A caption of the window's own, which in a mirrored window reads right to left; a field keeps
// the order of what the user types.
bool IsCaption(ComponentKind kind) {
  return kind == ComponentKind::Label || kind == ComponentKind::Link || kind == ComponentKind::Button ||
         kind == ComponentKind::BitButton || kind == ComponentKind::CheckBox;
}

bool IsTextField(ComponentKind kind) {
  return kind == ComponentKind::Edit || kind == ComponentKind::MaskedEdit || kind == ComponentKind::ComboBox;
}

// The character set of a language whose letters the layout's faces lack; DEFAULT_CHARSET for
// the others.
BYTE ScriptOf(std::string_view language) {
  if (!IsRightToLeft(language)) return DEFAULT_CHARSET;
  const std::string_view base = language.substr(0, language.find_first_of("_-.@"));
  return base == "he" || base == "yi" ? HEBREW_CHARSET : ARABIC_CHARSET;
}

// A window's client area on the screen (mapping two points maps a mirrored window's rectangle).
RECT ClientOnScreen(HWND window) {
  RECT area{};
  ::GetClientRect(window, &area);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

COLORREF ToColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff); }


struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD extended;
};

ControlClass ClassFor(const ComponentLayout& row) {
  const DWORD label_style = SS_NOPREFIX | (row.placement == Placement::TopCentre ? SS_CENTER
                                           : row.Wraps()                         ? SS_LEFT
                                                                                 : SS_LEFTNOWORDWRAP);
  switch (row.kind) {
    case ComponentKind::Label:
      return {L"STATIC", label_style, 0};
    case ComponentKind::Link:
      return {L"STATIC", label_style | SS_NOTIFY | WS_TABSTOP, 0};
    case ComponentKind::Button:
    case ComponentKind::BitButton:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ComponentKind::Edit:
    case ComponentKind::MaskedEdit:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ComponentKind::ComboBox:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ComponentKind::CheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ComponentKind::ListBox:
      return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ComponentKind::Memo:
      return {L"EDIT",
              ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | WS_VSCROLL |
                  WS_HSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ComponentKind::Slider:
      return {TRACKBAR_CLASSW, TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | WS_TABSTOP, 0};
    default:
      break;
  }
  return {L"STATIC", 0, 0};
}

// A link opens with Space as with Return (which the dialog manager turns into a click), and
// shows the hand pointer while it can be followed.
LRESULT CALLBACK LinkProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_SETCURSOR && IsLinkActive(hwnd)) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  if (message == WM_GETDLGCODE) return DLGC_STATIC | DLGC_WANTCHARS;
  if (message == WM_CHAR && wparam == L' ') return 0;
  if (message == WM_KEYUP && wparam == VK_SPACE) {
    ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), STN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
    return 0;
  }
  return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

// A memo is read, not typed in: Tab, Esc and Return go to the dialog manager, as from any other
// control, where a multi-line edit would keep them for itself.
LRESULT CALLBACK MemoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  const LRESULT result = ::DefSubclassProc(hwnd, message, wparam, lparam);
  return message == WM_GETDLGCODE ? result & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB) : result;
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (BuiltComponent* self = ComponentOf(hwnd); self != nullptr && self->canvas != nullptr) {
    LRESULT result = 0;
    if (self->canvas->Handle(message, wparam, lparam, result)) return result;
  }
  switch (message) {
    // The top-level window answers for every control, whichever container it stands in.
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_NOTIFY:
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

std::wstring Wide(const NativeString& text) { return {text.begin(), text.end()}; }
NativeString Native(const std::wstring& text) { return {text.begin(), text.end()}; }
std::wstring WideFromUtf8(const char* text) {
  return text == nullptr ? std::wstring() : Wide(Utf8ToNative(text));
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

BuiltComponent* ComponentOf(HWND control) {
  return reinterpret_cast<BuiltComponent*>(::GetWindowLongPtrW(control, GWLP_USERDATA));
}

void SetLinkActive(HWND link, bool active) {
  constexpr LONG kLinkStyle = SS_NOTIFY | WS_TABSTOP;
  const LONG style = ::GetWindowLongW(link, GWL_STYLE);
  ::SetWindowLongW(link, GWL_STYLE, active ? style | kLinkStyle : style & ~kLinkStyle);
  ::InvalidateRect(link, nullptr, TRUE);
}

bool IsLinkActive(HWND link) { return (::GetWindowLongW(link, GWL_STYLE) & SS_NOTIFY) != 0; }

const wchar_t* ContainerClassName() { return kContainerClass; }

void RegisterContainerClass(HINSTANCE instance) {
  WNDCLASSEXW container{};
  container.cbSize = sizeof container;
  container.lpfnWndProc = ContainerProc;
  container.hInstance = instance;
  container.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  container.lpszClassName = kContainerClass;
  ::RegisterClassExW(&container);
}

DWORD MirroredStyleFor(const MessageCatalogue& texts) {
  return IsRightToLeft(texts.Language()) ? WS_EX_LAYOUTRTL : 0;
}

HWND CreateTopLevelWindow(HINSTANCE instance, const TopLevelWindow& kind, LayoutWindow window, HWND owner,
                          const Win32Resources& resources, const MessageCatalogue& texts, void* self) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = kind.proc;
  window_class.cbWndExtra = sizeof(void*);
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hIcon = resources.Icon(32);
  window_class.hIconSm = resources.Icon(16);
  window_class.lpszClassName = kind.class_name;
  ::RegisterClassExW(&window_class);

  const LayoutBox& client = WindowRow(window).box;
  // The children inherit the mirroring: each box of the layout is then measured from the right.
  const DWORD extended_style = kind.extended_style | MirroredStyleFor(texts);
  RECT frame{0, 0, client.width, client.height};
  ::AdjustWindowRectEx(&frame, kind.style, FALSE, extended_style);
  HWND hwnd =
      ::CreateWindowExW(extended_style, kind.class_name, L"", kind.style, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, instance, self);
  if (hwnd == nullptr) throw std::runtime_error(kind.failure);
  return hwnd;
}

void* TopLevelSelf(HWND hwnd, UINT message, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<void*>(::GetWindowLongPtrW(hwnd, 0));
}

// --- Canvas

Canvas::Canvas(HWND hwnd, Canvas* parent, const Win32Resources& resources, const DisplayState& display)
    : hwnd_(hwnd), parent_(parent), resources_(resources), display_(display) {
  if (parent_ != nullptr) parent_->AddChild(this);
}

Canvas::~Canvas() {
  if (brush_ != nullptr) ::DeleteObject(brush_);
  if (composed_ != nullptr) ::DeleteObject(composed_);
}

void Canvas::Invalidate() {
  Root().stale_ = true;
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Canvas::SetFocusFrame(HWND control) {
  if (focus_ == control) return;
  focus_ = control;
  Invalidate();
}

// Through the screen, whose coordinates run left to right whatever the windows' layout.
POINT Canvas::PlaceInComposition(HWND window) const {
  const RECT area = ClientOnScreen(window);
  const RECT root = ClientOnScreen(Root().hwnd_);
  return {area.left - root.left, area.top - root.top};
}

RECT Canvas::Shown(RECT box) const {
  if (!display_.mirrored) return box;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  return {client.right - box.right, box.top, client.right - box.left, box.bottom};
}

void Canvas::ComposeIfStale() {
  if (parent_ != nullptr) return Root().ComposeIfStale();
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (client.right != size_.cx || client.bottom != size_.cy) stale_ = true;
  if (stale_) Compose();
}

void Canvas::Compose() {
  stale_ = false;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  size_ = {client.right, client.bottom};
  if (brush_ != nullptr) ::DeleteObject(brush_);
  if (composed_ != nullptr) ::DeleteObject(composed_);
  HDC screen = ::GetDC(hwnd_);
  composed_ = ::CreateCompatibleBitmap(screen, std::max<LONG>(size_.cx, 1), std::max<LONG>(size_.cy, 1));
  HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(hwnd_, screen);
  HGDIOBJ old = ::SelectObject(dc, composed_);
  // What no picture covers (the whole log window) is a light dialog face of our own, as the
  // texts on it are black whatever the system's scheme: the system's face may be dark (a custom
  // scheme, or High Contrast colours that the system does not report). In High Contrast all of
  // it is the system's window colour, under the system's text colour.
  if (display_.high_contrast) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
  } else {
    HBRUSH face = ::CreateSolidBrush(kLightFace);
    ::FillRect(dc, &client, face);
    ::DeleteObject(face);
  }
  DrawLayers(dc);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  brush_ = ::CreatePatternBrush(composed_);
}

void Canvas::DrawLayers(HDC dc) const {
  const POINT origin = PlaceInComposition(hwnd_);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int saved = ::SaveDC(dc);
  // In this canvas's own coordinates, and nothing of it outside its area.
  ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  ::IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  for (const BuiltComponent* component : drawn_) {
    if (component->visible) Draw(dc, *component);
  }
  DrawFocusFrame(dc);
  ::RestoreDC(dc, saved);
  for (const Canvas* child : children_) {
    // A hidden page keeps its components out of the picture.
    if ((::GetWindowLongW(child->hwnd_, GWL_STYLE) & WS_VISIBLE) != 0) child->DrawLayers(dc);
  }
}

void Canvas::Draw(HDC dc, const BuiltComponent& component) const {
  RECT box = Shown(component.box);
  switch (component.row->kind) {
    case ComponentKind::Picture: {
      // The gradients stand behind the texts: in High Contrast the texts stand on the window's colour.
      if (display_.high_contrast && component.row->placement == Placement::Stretch) return;
      const DecodedPicture* picture = resources_.Picture(component.row->picture, display_.dpi);
      if (picture == nullptr) return;
      const int box_width = box.right - box.left;
      const int box_height = box.bottom - box.top;
      int left = box.left;
      int top = box.top;
      int width = std::min(picture->width, box_width);
      int height = std::min(picture->height, box_height);
      int source_width = width;
      int source_height = height;
      if (component.row->placement == Placement::Stretch) {
        width = box_width;
        height = box_height;
        source_width = picture->width;
        source_height = picture->height;
      } else if (component.row->placement == Placement::Centre) {
        left += (box_width - width) / 2;
        top += (box_height - height) / 2;
      }
      HDC source = ::CreateCompatibleDC(dc);
      HGDIOBJ old = ::SelectObject(source, picture->bitmap);
      if (picture->opaque) {
        // A plain copy gives the same pixels several times faster than blending (the stretched
        // background gradients repeat one column, so picking pixels loses nothing).
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, left, top, width, height, source, 0, 0, source_width, source_height, SRCCOPY);
      } else {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::GdiAlphaBlend(dc, left, top, width, height, source, 0, 0, source_width, source_height, blend);
      }
      ::SelectObject(source, old);
      ::DeleteDC(source);
      return;
    }
    case ComponentKind::Shape: {
      // The outline as thick as one layout pixel at this DPI, inside the box.
      const int line = display_.Scaled(1);
      HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
      ::FillRect(dc, &box, black);
      RECT inside = box;
      ::InflateRect(&inside, -line, -line);
      ::FillRect(dc, &inside, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      return;
    }
    case ComponentKind::Bevel:
      ::DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
      return;
    case ComponentKind::Panel:
      ::DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
      return;
    default:
      return;
  }
}

void Canvas::DrawFocusFrame(HDC dc) const {
  if (focus_ == nullptr || !::IsWindowVisible(focus_)) return;
  // In this canvas's pixels, counted from the left as the screen's are.
  RECT box{};
  ::GetWindowRect(focus_, &box);
  const RECT client = ClientOnScreen(hwnd_);
  ::OffsetRect(&box, -client.left, -client.top);
  if (const BuiltComponent* component = ComponentOf(focus_);
      component != nullptr && component->row->kind == ComponentKind::ComboBox) {
    box.bottom = box.top + (component->box.bottom - component->box.top);
  }
  const int line_width = display_.Scaled(BuiltWindow::kFrameLine);
  ::InflateRect(&box, 2 * line_width, 2 * line_width);
  // In High Contrast both lines take the system's highlight colour.
  HBRUSH outer = display_.high_contrast ? ::GetSysColorBrush(COLOR_HIGHLIGHT)
                                        : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  HBRUSH inner = display_.high_contrast ? ::GetSysColorBrush(COLOR_HIGHLIGHT)
                                        : static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  for (int line = 0; line < line_width * 2; ++line) {
    ::FrameRect(dc, &box, line < line_width ? outer : inner);
    ::InflateRect(&box, -1, -1);
  }
}

HBRUSH Canvas::BrushFor(HDC dc, HWND child) {
  ComposeIfStale();
  // The origin is in the device's pixels, which run left to right in a mirrored control too.
  const POINT place = PlaceInComposition(child);
  ::SetBrushOrgEx(dc, -place.x, -place.y, nullptr);
  ::SetBkMode(dc, TRANSPARENT);
  if (display_.mirrored) ::SetTextAlign(dc, ::GetTextAlign(dc) | TA_RTLREADING);
  const BuiltComponent* component = ComponentOf(child);
  const bool plain =
      component == nullptr || (component->row->kind == ComponentKind::Link && !IsLinkActive(child));
  if (display_.high_contrast) {
    const bool link = !plain && component->row->kind == ComponentKind::Link;
    ::SetTextColor(dc, ::GetSysColor(link ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT));
  } else {
    ::SetTextColor(dc, plain ? RGB(0, 0, 0) : ToColorRef(component->font.colour));
  }
  return Root().brush_;
}

bool Canvas::Handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    // A container keeps the font its children inherit, as a control keeps its own.
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wparam));
      result = 0;
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font_);
      return true;
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
      // Also what a themed control asks for when it draws its parent's background.
      ComposeIfStale();
      HDC dc = reinterpret_cast<HDC>(wparam);
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      const POINT place = PlaceInComposition(hwnd_);
      HDC source = ::CreateCompatibleDC(dc);
      HGDIOBJ old = ::SelectObject(source, Root().composed_);
      // The composition holds the screen's pixels: a mirrored window takes them as they are.
      const DWORD layout = ::GetLayout(dc);
      if (layout != 0) ::SetLayout(dc, 0);
      ::BitBlt(dc, 0, 0, client.right, client.bottom, source, place.x, place.y, SRCCOPY);
      if (layout != 0) ::SetLayout(dc, layout);
      ::SelectObject(source, old);
      ::DeleteDC(source);
      result = 1;
      return true;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = ::BeginPaint(hwnd_, &paint);
      if (!paint.fErase) {
        LRESULT ignored = 0;
        Handle(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), 0, ignored);
      }
      ::EndPaint(hwnd_, &paint);
      result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HWND child = reinterpret_cast<HWND>(lparam);
      const BuiltComponent* component = ComponentOf(child);
      // A disabled or read-only field keeps the system's look.
      if (component != nullptr && IsTextField(component->row->kind)) return false;
      if (component != nullptr && component->row->kind == ComponentKind::Memo) {
        // Lines to read at length: the colours of a document, not the grey of a read-only field.
        HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        return true;
      }
      result = reinterpret_cast<LRESULT>(BrushFor(reinterpret_cast<HDC>(wparam), child));
      return true;
    }
    default:
      return false;
  }
}

// --- BuiltWindow

BuiltWindow::BuiltWindow(LayoutWindow window, HWND handle, Win32Resources& resources, const MessageCatalogue& texts,
                         ControlBuilt control_built)
    : window_(window),
      handle_(handle),
      resources_(resources),
      texts_(texts),
      control_built_(std::move(control_built)) {
  components_.reserve(WindowLayout().size());
  display_.dpi = WindowDpi(handle_);
  display_.high_contrast = HighContrastOn();
  display_.mirrored = (::GetWindowLongW(handle_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
  display_.script = ScriptOf(texts_.Language());
  const ComponentLayout& window_row = WindowRow(window_);
  BuiltComponent& self = components_.emplace_back();
  self.row = &window_row;
  self.hwnd = handle_;
  self.font = window_row.font;
  canvases_.push_back(std::make_unique<Canvas>(handle_, nullptr, resources_, display_));
  self.canvas = canvases_.back().get();
  ::SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&self));
  ::SetWindowTextW(handle_, Wide(ShownCaption(window_row, texts_)).c_str());
  // Measured before anything is built, from the table's texts: the window keeps this size.
  grown_by_ = MeasureGrowth();
  self.box = Scaled(GrownBox(window_row));
  FitWindowToLayout();
  // The window's procedure does not reach its canvas before the window is built.
  self.canvas->SetFont(resources_.Font(self.font, display_.dpi, display_.script));
  Build(window_row, &self);
}

BuiltWindow::~BuiltWindow() {
  if (tooltips_ != nullptr) ::DestroyWindow(tooltips_);
}

LayoutFont BuiltWindow::ResolveFont(const ComponentLayout& row) const {
  const ComponentLayout* at = &row;
  while (at->font.face == FontFace::Inherited && at->kind != ComponentKind::Window) {
    const ComponentLayout* parent = FindLayout(window_, at->parent);
    if (parent == nullptr) break;
    at = parent;
  }
  LayoutFont font = at->font;
  font.colour = row.font.colour;
  return font;
}

// Drawn components are painted back to front in the table's order. The dialog manager's Tab key
// walks the controls in their stacking order, and a new child window goes under its elder
// siblings, so the controls are created in the layout's tab order; the labels, which take no
// focus, come after them, each created before (so above) the ones before it in the table, as a
// label may overlap an earlier, taller one. A field's caption is created just before the field:
// screen readers name a field by the label right above it in the stacking order.
namespace {

// The fields come before the labels, so each caption is placed with its field and skipped later.
std::vector<const ComponentLayout*> WithCaptionsBeforeTheirFields(
    const std::vector<const ComponentLayout*>& controls) {
  std::vector<const ComponentLayout*> ordered;
  ordered.reserve(controls.size());
  for (const ComponentLayout* row : controls) {
    if (std::find(ordered.begin(), ordered.end(), row) != ordered.end()) continue;
    if (const ComponentLayout* caption = CaptionOf(*row)) ordered.push_back(caption);
    ordered.push_back(row);
  }
  return ordered;
}

}  // namespace

void BuiltWindow::Build(const ComponentLayout& parent_row, BuiltComponent* container) {
  BuildComponents(parent_row, container);
  // The focus frame is the one mark of the focus: no dotted rectangle of a control's own, also
  // for the controls of a page built later.
  ::SendMessageW(handle_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
}

void BuiltWindow::BuildComponents(const ComponentLayout& parent_row, BuiltComponent* container) {
  const std::vector<const ComponentLayout*> rows = ChildrenOf(window_, parent_row.name);
  std::vector<const ComponentLayout*> controls;
  for (const ComponentLayout* row : rows) {
    if (IsDrawn(row->kind)) {
      container->canvas->AddDrawn(&NewComponent(*row, *container));
    } else {
      controls.push_back(row);
    }
  }
  std::stable_sort(controls.begin(), controls.end(), [](const ComponentLayout* a, const ComponentLayout* b) {
    const bool a_stop = a->tab_order != kNoTabStop;
    const bool b_stop = b->tab_order != kNoTabStop;
    if (a_stop != b_stop) return a_stop;
    return a_stop ? a->tab_order < b->tab_order : a > b;
  });
  controls = WithCaptionsBeforeTheirFields(controls);
  const auto first_page = std::find_if(
      rows.begin(), rows.end(), [](const ComponentLayout* row) { return row->kind == ComponentKind::Page; });
  for (const ComponentLayout* row : controls) {
    BuiltComponent& component = NewComponent(*row, *container);
    // The notebook shows its first page until the controller turns another.
    if (row->kind == ComponentKind::Page) component.visible = row == *first_page;
    BuildControl(component, *container);
  }
  FlowContainerOf(parent_row);
}

BuiltComponent& BuiltWindow::NewComponent(const ComponentLayout& row, const BuiltComponent& container) {
  BuiltComponent& component = components_.emplace_back();
  component.row = &row;
  component.box = Scaled(row.box);
  component.font = ResolveFont(row);
  component.visible = !row.Hidden();
  component.id = kFirstControlId + static_cast<int>(&row - WindowLayout().data());
  component.canvas = container.canvas;
  return component;
}

void BuiltWindow::BuildControl(BuiltComponent& component, BuiltComponent& container) {
  const ComponentLayout& row = *component.row;
  component.hwnd = CreateControl(component, container.hwnd);
  ::SetWindowLongPtrW(component.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&component));
  if (IsContainer(row.kind)) {
    // Before the font: a container keeps its own.
    canvases_.push_back(std::make_unique<Canvas>(component.hwnd, container.canvas, resources_, display_));
    component.canvas = canvases_.back().get();
  }
  ::SendMessageW(component.hwnd, WM_SETFONT,
                 reinterpret_cast<WPARAM>(resources_.Font(component.font, display_.dpi, display_.script)), FALSE);
  if (row.hint != nullptr && Tooltips() != nullptr) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS | (display_.mirrored ? TTF_RTLREADING : 0);
    tool.hwnd = container.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(component.hwnd);
    std::wstring hint = Wide(ShownHint(row, texts_));
    tool.lpszText = hint.data();
    ::SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  if (row.kind == ComponentKind::Link) ::SetWindowSubclass(component.hwnd, LinkProc, 1, 0);
  if (row.kind == ComponentKind::Memo) {
    ::SetWindowSubclass(component.hwnd, MemoProc, 1, 0);
    // As much as the log holds, not the 30000 characters a multi-line edit takes by default.
    ::SendMessageW(component.hwnd, EM_SETLIMITTEXT, 0, 0);
  }
  // Screen readers name a page by its headline, as the headline's label is named by its text.
  if (const ComponentLayout* headline = HeadlineOf(row)) ::SetWindowTextW(component.hwnd, WideFromUtf8(headline->text).c_str());
  if (row.kind == ComponentKind::Page && !component.visible) {
    unbuilt_pages_.push_back(&component);
  } else if (IsContainer(row.kind)) {
    Build(row, &component);
  } else if (IsLabel(row.kind)) {
    FitToText(component);
  } else if (row.kind == ComponentKind::ComboBox) {
    FitSelectionField(component);
  }
  if (control_built_) control_built_(component);
}

// Made with the first field that has a hint: only hidden pages have them, and the tip is a
// top-level window of its own, which start-up need not wait for.
HWND BuiltWindow::Tooltips() {
  if (tooltips_ == nullptr) {
    tooltips_ =
        ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr, nullptr, nullptr);
  }
  return tooltips_;
}

void BuiltWindow::BuildPage(BuiltComponent& page) {
  const auto pending = std::find(unbuilt_pages_.begin(), unbuilt_pages_.end(), &page);
  if (pending == unbuilt_pages_.end()) return;
  unbuilt_pages_.erase(pending);
  Build(*page.row, &page);
}

void BuiltWindow::BuildEveryPage() {
  while (!unbuilt_pages_.empty()) BuildPage(*unbuilt_pages_.front());
}

void BuiltWindow::BuildPagesHolding(const ComponentLayout& row) {
  for (const ComponentLayout* at = &row; at != nullptr && *at->parent != '\0';
       at = FindLayout(window_, at->parent)) {
    for (BuiltComponent* page : unbuilt_pages_) {
      if (page->row == at) {
        BuildPage(*page);
        break;
      }
    }
  }
}

HWND BuiltWindow::CreateControl(const BuiltComponent& component, HWND parent) {
  const ComponentLayout& row = *component.row;
  ControlClass control = ClassFor(row);
  if (IsContainer(row.kind)) control = {kContainerClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
  if (display_.mirrored && IsCaption(row.kind)) control.extended |= WS_EX_RTLREADING;
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | control.style | (component.visible ? WS_VISIBLE : 0);
  const RECT& box = component.box;
  const int height =
      box.bottom - box.top + (row.kind == ComponentKind::ComboBox ? display_.Scaled(kDropDownHeight) : 0);
  const std::wstring text = Wide(ShownCaption(row, texts_));
  // The log's and the catalogue's lines stay English: in a mirrored window they keep their own
  // direction, left-aligned with the scroll bar on the right, where the control stands mirrored.
  // Made so from the start: the system places the scroll bars as the control is created.
  const bool own_direction =
      display_.mirrored && (row.kind == ComponentKind::Memo || row.kind == ComponentKind::ListBox);
  const LONG parent_style = ::GetWindowLongW(parent, GWL_EXSTYLE);
  if (own_direction) ::SetWindowLongW(parent, GWL_EXSTYLE, parent_style | WS_EX_NOINHERITLAYOUT);
  HWND created = ::CreateWindowExW(control.extended, control.name, text.c_str(), style, box.left, box.top,
                                   box.right - box.left, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(component.id)),
                                   reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (own_direction) ::SetWindowLongW(parent, GWL_EXSTYLE, parent_style);
  return created;
}

BuiltComponent* BuiltWindow::FindBuilt(const ComponentLayout* row) {
  for (BuiltComponent& component : components_) {
    if (component.row == row) return &component;
  }
  return nullptr;
}

BuiltComponent* BuiltWindow::FindOrBuild(const ComponentLayout* row) {
  if (row == nullptr || row->window != window_) return nullptr;
  if (BuiltComponent* found = FindBuilt(row)) return found;
  BuildPagesHolding(*row);
  return FindBuilt(row);
}

BuiltComponent* BuiltWindow::FindIfBuilt(Control control) {
  return control == Control::Count ? nullptr : FindBuilt(&LayoutOf(control));
}

BuiltComponent* BuiltWindow::Find(Control control) {
  return control == Control::Count ? nullptr : FindOrBuild(&LayoutOf(control));
}

BuiltComponent* BuiltWindow::Find(std::string_view name) { return FindOrBuild(FindLayout(window_, name)); }

BuiltComponent* BuiltWindow::FindById(int id) {
  for (BuiltComponent& component : components_) {
    if (component.id == id && component.hwnd != nullptr) return &component;
  }
  return nullptr;
}

BuiltComponent* BuiltWindow::FindByHandle(HWND hwnd) {
  for (BuiltComponent& component : components_) {
    if (component.hwnd == hwnd && hwnd != nullptr) return &component;
  }
  return nullptr;
}

void BuiltWindow::SetVisible(BuiltComponent& component, bool visible) {
  if (component.visible == visible) return;
  component.visible = visible;
  if (component.hwnd == nullptr) {
    component.canvas->Invalidate();
    return;
  }
  ::ShowWindow(component.hwnd, visible ? SW_SHOWNA : SW_HIDE);
  // A page's drawn components come into the composition or leave it with the page.
  if (IsContainer(component.row->kind)) {
    component.canvas->Invalidate();
  } else {
    Reflow(*component.row);
  }
}

void BuiltWindow::SetLabelText(BuiltComponent& component, const std::wstring& text) {
  ::SetWindowTextW(component.hwnd, text.c_str());
  const ComponentLayout* page = FindLayout(window_, component.row->parent);
  if (page != nullptr && HeadlineOf(*page) == component.row) ::SetWindowTextW(::GetParent(component.hwnd), text.c_str());
  Reflow(*component.row);
}

// A drop-down list's closed height follows its font; its selection field is sized so that the
// whole control has the layout's height.
void BuiltWindow::FitSelectionField(const BuiltComponent& component) {
  const LRESULT field = ::SendMessageW(component.hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (field == CB_ERR) return;
  // The frame around the field, and what the control adds to the height it is given, are the
  // system's to choose: the request is corrected until the whole control has the height.
  LONG request = static_cast<LONG>(field);
  for (int pass = 0; pass < 3; ++pass) {
    RECT closed{};
    ::GetWindowRect(component.hwnd, &closed);
    const LONG missing = (component.box.bottom - component.box.top) - (closed.bottom - closed.top);
    if (missing == 0 || request + missing <= 0) return;
    request += missing;
    ::SendMessageW(component.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
  }
}

// A label that follows its text keeps its corner (and stays on one line unless the flow gives it
// a width to break into lines at); a wrapping one also keeps its width.
void BuiltWindow::FitToText(BuiltComponent& component, int wrap_width) {
  const ComponentLayout& row = *component.row;
  if (row.Fixed()) return;
  if (!row.Wraps() && row.placement != Placement::TopCentre) {
    const LONG style = ::GetWindowLongW(component.hwnd, GWL_STYLE) & ~SS_TYPEMASK;
    ::SetWindowLongW(component.hwnd, GWL_STYLE, style | (wrap_width > 0 ? SS_LEFT : SS_LEFTNOWORDWRAP));
  }
  const int width = row.Wraps() ? component.box.right - component.box.left : wrap_width;
  const SIZE size = TextSize(component, WindowText(component.hwnd), width);
  const RECT before = component.box;
  component.box.bottom = component.box.top + size.cy;
  if (!row.Wraps()) component.box.right = component.box.left + (wrap_width > 0 ? wrap_width : size.cx);
  if (!::EqualRect(&before, &component.box)) ApplyBox(component, before);
}

void BuiltWindow::ApplyBox(BuiltComponent& component, const RECT& before) {
  if (component.hwnd == nullptr) {
    component.canvas->Invalidate();
    return;
  }
  const RECT& box = component.box;
  const int extra = component.row->kind == ComponentKind::ComboBox ? display_.Scaled(kDropDownHeight) : 0;
  ::SetWindowPos(component.hwnd, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top + extra,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // What the control no longer covers shows the container's background again.
  ::InvalidateRect(::GetParent(component.hwnd), &before, TRUE);
}

SIZE BuiltWindow::TextSize(const BuiltComponent& component, const std::wstring& text, int width,
                           FlowText which) const {
  HWND hwnd = component.hwnd != nullptr ? component.hwnd : handle_;
  HDC dc = ::GetDC(hwnd);
  const BYTE script = which == FlowText::kDesign ? DEFAULT_CHARSET : display_.script;
  HGDIOBJ old = ::SelectObject(dc, resources_.Font(component.font, display_.dpi, script));
  RECT measured{0, 0, width, 0};
  if (text.empty()) {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    measured.bottom = metrics.tmHeight;
  } else {
    // A label shows its text as it is; a button's "&" marks its access key.
    const UINT prefix = IsLabel(component.row->kind) ? DT_NOPREFIX : 0;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
                DT_CALCRECT | prefix | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(hwnd, dc);
  return {measured.right, measured.bottom};
}

int BuiltWindow::CaptionChrome(const BuiltComponent& component) const {
  // The check box's box and the space after it; a push button's frame and margin on each side.
  constexpr int kCheckBoxChrome = 17;
  constexpr int kButtonChrome = 8;
  return display_.Scaled(component.row->kind == ComponentKind::CheckBox ? kCheckBoxChrome : kButtonChrome);
}

// The window's texts measured for the flow in its own fonts, brought back to the layout's
// pixels (rounded up, so that a box made from them holds the text at any DPI).
class Win32TextMeasure : public TextMeasure {
 public:
  explicit Win32TextMeasure(BuiltWindow& window) : window_(window) {}

  int OneLineWidth(const ComponentLayout& row, FlowText which) const override {
    const BuiltComponent component = Component(row);
    const int text = window_.TextSize(component, Text(component, which), 0, which).cx;
    return Unscaled(IsLabel(row.kind) ? text : text + window_.CaptionChrome(component));
  }
  int HeightAt(const ComponentLayout& row, int width, FlowText which) const override {
    const BuiltComponent component = Component(row);
    const std::wstring text = Text(component, which);
    const int device_width = window_.display_.Scaled(width);
    if (row.kind == ComponentKind::CheckBox) {
      return Unscaled(
          window_.TextSize(component, text, device_width - window_.CaptionChrome(component), which).cy);
    }
    const bool wraps =
        row.Wraps() || (!KeepsWidth(row) && device_width < window_.TextSize(component, text, 0, which).cx);
    return Unscaled(window_.TextSize(component, text, wraps ? device_width : 0, which).cy);
  }
  bool IsShown(const ComponentLayout& row) const override { return Component(row).visible; }

 private:
  // A component of a page not built yet is measured as it will be built: in its font, with the
  // table's text in the window's language.
  BuiltComponent Component(const ComponentLayout& row) const {
    if (const BuiltComponent* built = window_.FindBuilt(&row)) return *built;
    BuiltComponent unbuilt;
    unbuilt.row = &row;
    unbuilt.font = window_.ResolveFont(row);
    unbuilt.visible = !row.Hidden();
    return unbuilt;
  }
  std::wstring Text(const BuiltComponent& component, FlowText which) const {
    if (which == FlowText::kDesign) return WideFromUtf8(component.row->text);
    if (component.hwnd != nullptr) return WindowText(component.hwnd);
    return IsDrawn(component.row->kind) ? std::wstring() : Wide(ShownCaption(*component.row, window_.texts_));
  }
  int Unscaled(int pixels) const {
    const int dpi = static_cast<int>(window_.display_.dpi);
    return (pixels * 96 + dpi - 1) / dpi;
  }

  BuiltWindow& window_;
};

int BuiltWindow::MeasureGrowth() {
  return HeightNeeded(window_, Win32TextMeasure(*this), PagePresenter::ShowsDuringARun);
}

void BuiltWindow::GrowForShownTexts() {
  const ComponentLayout& window_row = WindowRow(window_);
  grown_by_ = HeightForShownTexts(window_, Win32TextMeasure(*this));
  components_.front().box = Scaled(GrownBox(window_row));
  FitWindowToLayout();
  FlowContainerOf(window_row);
}

void BuiltWindow::Reflow(const ComponentLayout& row) {
  if (const ComponentLayout* container = FindLayout(window_, row.parent)) FlowContainerOf(*container);
}

const ContainerFlow* BuiltWindow::FlowOf(const ComponentLayout& container) const {
  for (const auto& [row, flow] : flows_) {
    if (row == &container) return &flow;
  }
  return nullptr;
}

void BuiltWindow::FlowContainerOf(const ComponentLayout& container) {
  const std::vector<const ComponentLayout*> children = ChildrenOf(window_, container.name);
  // A page not built yet is flowed when it is.
  if (children.empty() || FindBuilt(children.front()) == nullptr) return;
  ContainerFlow flow = FlowContainer(container, Win32TextMeasure(*this), grown_by_);
  for (const FlowedComponent& flowed : flow.components) {
    if (BuiltComponent* component = FindBuilt(flowed.row)) Place(*component, flowed);
  }
  const auto kept = std::find_if(flows_.begin(), flows_.end(), [&](const auto& entry) { return entry.first == &container; });
  if (kept == flows_.end()) {
    flows_.emplace_back(&container, std::move(flow));
  } else {
    kept->second = std::move(flow);
  }
}

// The flow's box at the window's DPI. A label that follows its text takes its text's size in
// pixels at this DPI, as a fixed one grows only where the flow grew it.
void BuiltWindow::Place(BuiltComponent& component, const FlowedComponent& flowed) {
  const ComponentLayout& row = *component.row;
  const RECT before = component.box;
  const RECT placed = Scaled(flowed.box);
  if (!IsLabel(row.kind)) {
    if (row.kind == ComponentKind::CheckBox) BreakCaption(component, flowed.wraps);
    component.box = placed;
    if (!::EqualRect(&before, &component.box)) ApplyBox(component, before);
    return;
  }
  component.box = Scaled(row.box);
  ::OffsetRect(&component.box, placed.left - component.box.left, placed.top - component.box.top);
  if (row.Fixed() && flowed.box.height != row.box.height) component.box.bottom = placed.bottom;
  const bool breaks = flowed.wraps && !row.Wraps();
  if (breaks) component.box.right = placed.right;
  if (!::EqualRect(&before, &component.box)) ApplyBox(component, before);
  FitToText(component, breaks ? placed.right - placed.left : 0);
}

void BuiltWindow::BreakCaption(const BuiltComponent& check_box, bool wraps) {
  const LONG style = ::GetWindowLongW(check_box.hwnd, GWL_STYLE);
  const LONG wanted = wraps ? style | BS_MULTILINE : style & ~BS_MULTILINE;
  if (wanted != style) ::SetWindowLongW(check_box.hwnd, GWL_STYLE, wanted);
}

LayoutBox BuiltWindow::GrownBox(const ComponentLayout& window_row) const {
  LayoutBox box = window_row.box;
  box.height += grown_by_;
  return box;
}

void BuiltWindow::FollowFocus(HWND focused) {
  const BuiltComponent* component = FindByHandle(focused);
  Canvas* canvas = component != nullptr ? component->canvas : nullptr;
  if (focus_canvas_ != nullptr && focus_canvas_ != canvas) focus_canvas_->SetFocusFrame(nullptr);
  focus_canvas_ = canvas;
  if (canvas != nullptr) canvas->SetFocusFrame(focused);
}

// --- Display: DPI and colours

int DisplayState::Scaled(int layout_pixels) const { return ScaledForDpi(layout_pixels, dpi); }

// Each edge's length scaled on its own, so a box brought back to the layout's pixels is the
// layout's box again.
RECT BuiltWindow::Scaled(const LayoutBox& box) const {
  const int left = display_.Scaled(box.left);
  const int top = display_.Scaled(box.top);
  return {left, top, left + display_.Scaled(box.width), top + display_.Scaled(box.height)};
}

void BuiltWindow::FitWindowToLayout() {
  const LayoutBox client = GrownBox(WindowRow(window_));
  const SIZE frame = FrameForClient({display_.Scaled(client.width), display_.Scaled(client.height)},
                                    static_cast<DWORD>(::GetWindowLongW(handle_, GWL_STYLE)),
                                    static_cast<DWORD>(::GetWindowLongW(handle_, GWL_EXSTYLE)), display_.dpi);
  ::SetWindowPos(handle_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BuiltWindow::PlaceControl(BuiltComponent& component) {
  const ComponentLayout& row = *component.row;
  component.box = Scaled(row.box);
  if (component.hwnd == nullptr) return;
  const RECT& box = component.box;
  const int extra = row.kind == ComponentKind::ComboBox ? display_.Scaled(kDropDownHeight) : 0;
  ::SetWindowPos(component.hwnd, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top + extra,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(component.hwnd, WM_SETFONT,
                 reinterpret_cast<WPARAM>(resources_.Font(component.font, display_.dpi, display_.script)), TRUE);
  if (IsLabel(row.kind)) FitToText(component);
  if (row.kind == ComponentKind::ComboBox) FitSelectionField(component);
}

void BuiltWindow::ApplyDpi(UINT dpi) {
  if (dpi == 0 || dpi == display_.dpi) return;
  display_.dpi = dpi;
  BuiltComponent& self = components_.front();
  self.box = Scaled(GrownBox(*self.row));
  self.canvas->SetFont(resources_.Font(self.font, dpi, display_.script));
  for (std::size_t i = 1; i < components_.size(); ++i) PlaceControl(components_[i]);
  for (const BuiltComponent& component : components_) {
    if (component.row->kind == ComponentKind::Window || IsContainer(component.row->kind)) FlowContainerOf(*component.row);
  }
  WindowCanvas().Invalidate();
}

void BuiltWindow::RefreshColours() {
  display_.high_contrast = HighContrastOn();
  // The common controls take the new colours from this message, which only top-level windows get.
  for (const BuiltComponent& component : components_) {
    if (component.hwnd != nullptr && component.hwnd != handle_) ::SendMessageW(component.hwnd, WM_SYSCOLORCHANGE, 0, 0);
  }
  WindowCanvas().Invalidate();
}

bool BuiltWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_DPICHANGED: {
      ApplyDpi(LOWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      if (suggested != nullptr) {
        ::SetWindowPos(handle_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      result = 0;
      return true;
    }
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE:
      // The window's own default handling follows as well.
      RefreshColours();
      return false;
    case WM_CHANGEUISTATE: {
      // The keyboard's first use would show every control's dotted focus rectangle again.
      const WORD action = LOWORD(wparam);
      const WORD flags = HIWORD(wparam) & ~(action == UIS_CLEAR ? UISF_HIDEFOCUS : 0);
      result = flags == 0 ? 0 : ::DefWindowProcW(handle_, message, MAKEWPARAM(action, flags), lparam);
      return true;
    }
    default:
      break;
  }
  return WindowCanvas().Handle(message, wparam, lparam, result);
}
