// The built program in a scratch folder, and an X server of the test's own.
#include "program_run.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/box_run.h"
#include "window_fixture.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

[[noreturn]] void RunProgram(const ScratchFolder& folder, const ProgramStart& start, char** argv,
                             char** envp) {
  const int out = open(folder.File(start.output).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  if (start.user != nullptr &&
      (setgroups(0, nullptr) != 0 || setgid(start.user->gid) != 0 || setuid(start.user->uid) != 0)) {
    _exit(125);
  }
  if (chdir(folder.Path().c_str()) != 0) _exit(126);
  if (start.ignored_signal != 0) signal(start.ignored_signal, SIG_IGN);
  execve(argv[0], argv, envp);
  _exit(127);
}

}  // namespace

pid_t StartProgram(const ScratchFolder& folder, const ProgramStart& start) {
  if (!std::filesystem::exists(folder.File("apnlist.csv"))) folder.Write("apnlist.csv", kWindowTestCatalogue);
  mkdir(folder.File("runtime").c_str(), 0700);
  std::vector<std::string> ours = start.environment;
  for (const std::string& variable :
       {std::string("QT_QPA_PLATFORM=offscreen"), "XDG_STATE_HOME=" + folder.File("state"),
        "HOME=" + folder.File("home"), "XDG_RUNTIME_DIR=" + folder.File("runtime"),
        "RODIDUZ_PORT_DIR=" + folder.Path()})
    ours.push_back(variable);
  std::vector<char*> envp;
  for (std::string& variable : ours) envp.push_back(variable.data());
  for (char** variable = environ; *variable != nullptr; ++variable) envp.push_back(*variable);
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(kProgram.c_str()), nullptr};
  const pid_t child = fork();
  if (child == 0) RunProgram(folder, start, argv, envp.data());
  return child;
}

bool WaitForEnd(pid_t program, int& status) {
  const bool ended = WaitFor([&] { return waitpid(program, &status, WNOHANG) == program; }, 20s);
  if (!ended) {
    kill(program, SIGKILL);
    waitpid(program, &status, 0);
  }
  return ended;
}

bool OnPath(const std::string& program) {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(path, folder, ':');) {
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string OutputOf(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

OwnXServer::OwnXServer(const std::string& output) {
  int ready[2];
  if (pipe(ready) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    const std::string fd = std::to_string(ready[1]);
    // Without -noreset the server starts over whenever its last client leaves, and a
    // window search that ends just as the wizard connects would take the wizard's connection
    // with it.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
           "1280x800x24", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  // The server writes its display number, then a line feed, once it accepts connections. The
  // pipe stays open for the line feed: a server whose write fails gives up.
  std::string number;
  pollfd wait{ready[0], POLLIN, 0};
  char byte = 0;
  while (pid_ > 0 && number.find('\n') == std::string::npos && poll(&wait, 1, 20000) == 1 &&
         read(ready[0], &byte, 1) == 1) {
    number += byte;
  }
  if (number.find('\n') != std::string::npos) display_ = ":" + number.substr(0, number.find('\n'));
  close(ready[0]);
}

std::vector<std::string> OwnXServer::WizardWindows() const {
  std::istringstream found(
      OutputOf("DISPLAY=" + display_ +
               " xdotool search --onlyvisible --name '^Rodiduz Box Setup Wizard$' 2>/dev/null"));
  std::vector<std::string> windows;
  for (std::string window; std::getline(found, window);) windows.push_back(window);
  return windows;
}

std::string OwnXServer::FocusedWindow() const {
  std::string focused = OutputOf("DISPLAY=" + display_ + " xdotool getwindowfocus -f 2>/dev/null");
  return focused.substr(0, focused.find('\n'));
}

void OwnXServer::End() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}
