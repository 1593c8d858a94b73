// The built program run as a user runs it, in a scratch folder with its catalogue, on the
// offscreen platform or on an X server of the test's own; tools that read its X windows.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/unprivileged.h"

inline const std::string kProgram = RODIDUZ_BINARY_DIR "/rodiduz-setup";

struct ProgramStart {
  // Before the test's own environment: the first of two equal names is the one a program sees.
  std::vector<std::string> environment;
  std::string output = "output.txt";  // in the folder: standard output and error
  int ignored_signal = 0;             // set to be ignored before the program starts, as nohup does
  const UserIds* user = nullptr;      // runs as this user instead (the tests run as root)
};

// The wizard in `folder` (its catalogue beside it), its state folder `folder`/state, home
// `folder`/home and runtime folder `folder`/runtime unless `start` names others.
pid_t StartProgram(const ScratchFolder& folder, const ProgramStart& start);

// Whether the program ended within 20 seconds; it is killed otherwise. `status` is waitpid's.
bool WaitForEnd(pid_t program, int& status);

bool OnPath(const std::string& program);
// What a command prints on its standard output, run through the shell.
std::string OutputOf(const std::string& command);

// An X server of the test's own on a free display number. It takes the display's lock file and
// socket in /tmp as every X server does, so that servers started at the same time by other
// tests or programs never pick the same number; it removes both when it ends.
class OwnXServer {
 public:
  explicit OwnXServer(const std::string& output);
  ~OwnXServer() { End(); }
  OwnXServer(const OwnXServer&) = delete;
  OwnXServer& operator=(const OwnXServer&) = delete;

  const std::string& display() const { return display_; }
  // The visible windows titled as the wizard, in the order X lists them.
  std::vector<std::string> WizardWindows() const;
  // The window that has the keyboard focus.
  std::string FocusedWindow() const;
  void End();

 private:
  pid_t pid_ = -1;
  std::string display_;
};
