// The standard error display of the Windows program.
#include "ui_win32/error_display_win32.h"

#include "common/platform.h"
#include "common/text.h"
#include "common/translations.h"
#include "common/user_text.h"
#include "controller/window_layout.h"
#include "ui_win32/layout_builder_win32.h"

namespace {

MessageCatalogue& ChosenTexts() {
  static MessageCatalogue texts;
  return texts;
}

}  // namespace

void UseProgramLanguage(const std::string& language) { ChosenTexts() = CatalogueFor(language); }

const MessageCatalogue& ProgramTexts() { return ChosenTexts(); }

std::wstring ApplicationTitle() { return Wide(ShownCaption(WindowRow(LayoutWindow::Main), ProgramTexts())); }

void ShowErrorDisplay(HWND owner, const std::wstring& text) {
  // A box in a language written right to left reads and lines up from the right.
  const UINT direction = MirroredStyleFor(ProgramTexts()) != 0 ? MB_RTLREADING | MB_RIGHT : 0;
  ::MessageBoxW(owner, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR | direction);
}

void ShowErrorDisplay(HWND owner, const std::exception& error) {
  ShowErrorDisplay(owner, Wide(ErrorUserText(error).Shown(ProgramTexts())));
}

void ShowUnknownErrorDisplay(HWND owner) { ShowErrorDisplay(owner, Wide(UnknownErrorUserText().Shown(ProgramTexts()))); }
