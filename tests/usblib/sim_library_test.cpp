// The demo's virtual USB bus: every COM<n> entry of the port folder is a box.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "link/box_device_record.h"
#include "support/test_files.h"

namespace {

class SimLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = ::dlopen(RODIDUZ_SIM_USBLIB, RTLD_NOW);
    ASSERT_NE(library_, nullptr) << ::dlerror();
    scan_ = reinterpret_cast<UsbScanComFunction>(::dlsym(library_, kUsbScanExportName));
    ASSERT_NE(scan_, nullptr);
    const char* saved = std::getenv("RODIDUZ_PORT_DIR");
    had_port_dir_ = saved != nullptr;
    if (saved != nullptr) saved_port_dir_ = saved;
    ::setenv("RODIDUZ_PORT_DIR", folder_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (had_port_dir_) {
      ::setenv("RODIDUZ_PORT_DIR", saved_port_dir_.c_str(), 1);
    } else {
      ::unsetenv("RODIDUZ_PORT_DIR");
    }
  }

  void Link(const std::string& entry, const std::string& target) {
    ASSERT_EQ(::symlink(target.c_str(), folder_.File(entry).c_str()), 0);
  }

  std::vector<BoxDeviceRecord> Scan(std::uint32_t capacity = kBoxDeviceCapacity) {
    std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
    std::uint16_t count = 999;
    EXPECT_EQ(scan_(0, 0, 0, 0, records.data(), capacity, &count), 0);
    EXPECT_LE(count, capacity);
    records.resize(count);
    return records;
  }

  ScratchFolder folder_;

 private:
  void* library_ = nullptr;
  UsbScanComFunction scan_ = nullptr;
  bool had_port_dir_ = false;
  std::string saved_port_dir_;
};

TEST_F(SimLibrary, ReportsEveryComEntryAsABoxInNumberOrder) {
  Link("COM12", "/dev/pts/12");
  Link("COM3", "/dev/pts/3");
  Link("COM07", "/dev/pts/7");
  Link("COM", "/dev/pts/0");
  folder_.Write("COM5", "a plain file");
  folder_.Write("notes", "");
  const auto records = Scan();
  ASSERT_EQ(records.size(), 3u);
  const struct {
    int port;
    const char* device;
    const char* com;
  } expected[] = {{3, "/dev/pts/3", "COM3"}, {5, nullptr, "COM5"}, {12, "/dev/pts/12", "COM12"}};
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(expected[i].com);
    EXPECT_EQ(records[i].vid, 0x0403);
    EXPECT_EQ(records[i].pid, 0x6015);
    EXPECT_STREQ(records[i].name, "Rodiduz Box");
    EXPECT_EQ(records[i].hub, 1);
    EXPECT_EQ(records[i].port, expected[i].port);
    EXPECT_STREQ(records[i].com, expected[i].com);
    // An entry that is not a link is its own device.
    const std::string device = expected[i].device ? expected[i].device : folder_.File(expected[i].com);
    EXPECT_EQ(std::string(records[i].device), device);
  }
}

TEST_F(SimLibrary, StopsAtTheCapacity) {
  Link("COM1", "/dev/pts/1");
  Link("COM2", "/dev/pts/2");
  const auto records = Scan(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_STREQ(records[0].com, "COM1");
}

TEST_F(SimLibrary, FindsNothingWithoutAPortFolder) {
  Link("COM1", "/dev/pts/1");
  ::setenv("RODIDUZ_PORT_DIR", "", 1);
  EXPECT_TRUE(Scan().empty());
  ::unsetenv("RODIDUZ_PORT_DIR");
  EXPECT_TRUE(Scan().empty());
  ::setenv("RODIDUZ_PORT_DIR", folder_.File("missing").c_str(), 1);
  EXPECT_TRUE(Scan().empty());
}

}  // namespace
