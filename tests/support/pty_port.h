// Pseudo-terminals that stand in for the box's serial port, and process counters for leak
// checks.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// A pty pair; the slave is reachable as <folder>/COM<n> once Link has made the link. The test
// keeps its own slave descriptor open so the tty outlives the engine's opens and closes.
class PtyPort {
 public:
  PtyPort();
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  void Link(const std::string& folder, unsigned port) const;
  int master() const { return master_; }
  int slave() const { return slave_; }
  const std::string& slave_path() const { return slave_path_; }
  // Closing the master hangs the slave up, as unplugging a USB adapter does.
  void CloseMaster();

  void WriteToPort(const std::string& bytes) const;
  // Reads exactly `count` bytes sent by the engine; fewer if none come within `limit`.
  std::string ReadFromPort(std::size_t count,
                           std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
};

// Points RODIDUZ_PORT_DIR at `folder` for the lifetime of the object.
class PortDirOverride {
 public:
  explicit PortDirOverride(const std::string& folder);
  ~PortDirOverride();
  PortDirOverride(const PortDirOverride&) = delete;
  PortDirOverride& operator=(const PortDirOverride&) = delete;

 private:
  bool had_value_ = false;
  std::string old_value_;
};

std::size_t CountOpenDescriptors();
// Descriptors of this process open on the same device as `reference` (itself included); it
// still counts after a hang-up has removed the device's name.
std::size_t CountDescriptorsOnDevice(int reference);
std::size_t CountThreads();
