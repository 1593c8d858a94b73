// One wizard per user and session: the first start holds a lock, and a later start asks that
// wizard to bring its window to the front instead of opening a second window, which could only
// report that it cannot connect to the box (the first one holds its port). The windows' start-up
// takes part, not the core: a command line driving the core holds no such lock. One backend file
// per system; the Windows program has its own in src/ui_win32.
#pragma once

#include <memory>

class MessageCatalogue;

class QWidget;

class SingleWizard {
 public:
  // Takes the user's lock or, when another start holds it, asks that one to bring its window to
  // the front, waiting a few seconds at most. Before the application object: the desktop's
  // activation token in the environment is then still this start's to hand over.
  SingleWizard();
  ~SingleWizard();
  SingleWizard(const SingleWizard&) = delete;
  SingleWizard& operator=(const SingleWizard&) = delete;

  // Whether this start opens the wizard: it holds the lock, or no lock could be had at all.
  bool IsFirst() const;
  // A later start: where the running wizard's window did not come to the front, says that the
  // wizard is already open (on standard error, and in a message box where a display is there).
  // The program's exit status.
  int EndLaterStart(int& argc, char** argv, const MessageCatalogue& texts) const;
  // The first start: from now on each later start's request brings `window` to the front.
  void AnswerLaterStarts(QWidget& window);

 private:
  struct Backend;
  std::unique_ptr<Backend> backend_;
};
