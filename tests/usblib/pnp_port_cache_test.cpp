// The kept list of Windows' serial ports: walked again only after a reported change, counted
// at the device list's seam.
#include "pnp_port_cache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_pnp_device_list.h"
#include "record_fill.h"

namespace {

// A USB serial port that is its own USB device, on COM<number>.
PnpSerialPort UsbPort(int number) {
  const std::string id = "USB\\VID_0403&PID_6015\\BOX" + std::to_string(number);
  PnpSerialPort port;
  port.node.instance_id = id;
  port.node.hardware_ids = {"USB\\VID_0403&PID_6015"};
  port.node.bus_reported_description = "Rodiduz Box";
  port.port_name = "COM" + std::to_string(number);
  return port;
}

class PnpPortCacheTest : public ::testing::Test {
 protected:
  // The COM names a scan reports.
  std::vector<std::string> Scan(std::uint32_t capacity = kBoxDeviceCapacity) {
    std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
    std::uint16_t count = 999;
    EXPECT_EQ(cache_.Scan(records.data(), capacity, &count), kScanOk);
    std::vector<std::string> names;
    for (std::uint16_t i = 0; i < count; ++i) names.emplace_back(records[i].com);
    return names;
  }
  void ScanTimes(int times) {
    for (int i = 0; i < times; ++i) Scan();
  }

  FakePnpDeviceList list_;
  PnpPortCache cache_{list_};
};

using Names = std::vector<std::string>;

TEST_F(PnpPortCacheTest, WalksTheListOnlyAfterAReportedChange) {
  cache_.SetWatched(true);
  list_.AddPort(UsbPort(3), "");
  EXPECT_EQ(Scan(), Names{"COM3"});
  ScanTimes(50);
  EXPECT_EQ(list_.Walks(), 1) << "no change reported: the kept list serves";

  list_.AddPort(UsbPort(7), "");
  EXPECT_EQ(Scan(), Names{"COM3"}) << "a device the system has not reported yet";
  cache_.DevicesChanged();
  cache_.DevicesChanged();
  EXPECT_EQ(Scan(), (Names{"COM3", "COM7"}));
  ScanTimes(50);
  EXPECT_EQ(list_.Walks(), 2) << "two reports before a scan: one walk";
  EXPECT_EQ(Scan(1), Names{"COM3"}) << "no more than the capacity";
}

TEST_F(PnpPortCacheTest, AChangeReportedDuringAWalkIsWalkedAgain) {
  cache_.SetWatched(true);
  list_.AddPort(UsbPort(3), "");
  list_.DuringNextWalk([this] { cache_.DevicesChanged(); });
  Scan();
  Scan();
  EXPECT_EQ(list_.Walks(), 2);
  ScanTimes(10);
  EXPECT_EQ(list_.Walks(), 2);
}

TEST_F(PnpPortCacheTest, WalksAtEveryScanWhileNoChangeIsReported) {
  list_.AddPort(UsbPort(3), "");
  ScanTimes(5);
  EXPECT_EQ(list_.Walks(), 5) << "not watched: every scan must walk";
}

TEST_F(PnpPortCacheTest, AnUnreadableListFailsTheScanAndIsReadAgainAtTheNext) {
  cache_.SetWatched(true);
  list_.AddPort(UsbPort(3), "");
  Scan();
  list_.Unreadable(true);
  cache_.DevicesChanged();
  std::vector<BoxDeviceRecord> records(1);
  std::uint16_t count = 9;
  EXPECT_EQ(cache_.Scan(records.data(), 1, &count), kScanFailed);
  list_.Unreadable(false);
  EXPECT_EQ(Scan(), Names{"COM3"});
  EXPECT_EQ(list_.Walks(), 3);
}

}  // namespace
