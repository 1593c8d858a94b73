// The device list of Windows through SetupAPI and the configuration manager: no driver and no
// administrator rights needed, and every call exists on Windows 7.
#pragma once

#include "pnp_device_list.h"

class SetupApiDeviceList final : public PnpDeviceList {
 public:
  // The present devices of the Ports and Modem classes; a USB modem's port is one the box
  // could sit behind as well.
  std::optional<std::vector<PnpSerialPort>> SerialPorts() override;
  std::optional<PnpDeviceNode> Parent(const PnpDeviceNode& child) override;
};
