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
  ::MessageBoxW(owner, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

void ShowErrorDisplay(HWND owner, const std::exception& error) {
  ShowErrorDisplay(owner, Wide(ErrorUserText(error).Shown(ProgramTexts())));
}

void ShowUnknownErrorDisplay(HWND owner) { ShowErrorDisplay(owner, Wide(UnknownErrorUserText().Shown(ProgramTexts()))); }
