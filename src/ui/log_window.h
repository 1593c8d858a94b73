// The "Wizard log" window: the log so far, growing while the wizard runs, to read, select, copy
// and save, and where the log is saved; built from its rows of the layout table.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <cstddef>
#include <vector>

#include "controller/wizard.h"
#include "controller/window_layout.h"
#include "ui/widgets.h"

class LogWindow : public QWidget {
 public:
  // `owner`: the main window it belongs to and is first centred on; `wizard`: whose log it shows.
  LogWindow(QWidget* owner, Wizard& wizard);

  // Shows the window with `place` as the line saying where the log is saved, or brings it to
  // the front, and adds what waits for it.
  void ShowWithPlace(const QString& place);
  // Applies what waits for the window in the session log's window feed: the oldest lines leave, the
  // new ones come at the end, and the note says what is not shown.
  void TakeLines();

  LayoutLabel* Note = nullptr;
  QPlainTextEdit* Text = nullptr;
  LayoutLabel* Place = nullptr;
  QPushButton* CopyAll = nullptr;
  QPushButton* SaveAs = nullptr;
  QPushButton* Close = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Bind(const ComponentLayout& row, QWidget* widget);
  void SetTabOrderAndNames();
  void RemoveOldestLines(std::size_t count);
  void AppendLines(const std::vector<NativeString>& lines);
  void CentreOverOwner();

  Wizard& wizard_;
  QWidget* owner_;
  bool placed_ = false;
};
