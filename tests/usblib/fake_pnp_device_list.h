// A device list answered from captured device properties, counting its walks.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pnp_device_list.h"

class FakePnpDeviceList : public PnpDeviceList {
 public:
  // A node and the instance ID of the node above it ("" at the top).
  void Add(const PnpDeviceNode& node, const std::string& parent_id = "") {
    nodes_[node.instance_id] = node;
    parents_[node.instance_id] = parent_id;
  }
  void AddPort(const PnpSerialPort& port, const std::string& parent_id) {
    Add(port.node, parent_id);
    ports_.push_back(port);
  }
  void Unreadable(bool unreadable) { unreadable_ = unreadable; }
  // Runs inside the next walk, as a device arriving while it runs.
  void DuringNextWalk(std::function<void()> action) { during_next_walk_ = std::move(action); }
  int Walks() const { return walks_; }

  std::optional<std::vector<PnpSerialPort>> SerialPorts() override {
    ++walks_;
    if (during_next_walk_) std::exchange(during_next_walk_, nullptr)();
    if (unreadable_) return std::nullopt;
    return ports_;
  }

  std::optional<PnpDeviceNode> Parent(const PnpDeviceNode& child) override {
    const auto parent = parents_.find(child.instance_id);
    if (parent == parents_.end()) return std::nullopt;
    const auto node = nodes_.find(parent->second);
    if (node == nodes_.end()) return std::nullopt;
    return node->second;
  }

 private:
  std::map<std::string, PnpDeviceNode> nodes_;
  std::map<std::string, std::string> parents_;
  std::vector<PnpSerialPort> ports_;
  std::function<void()> during_next_walk_;
  bool unreadable_ = false;
  int walks_ = 0;
};
