// Cost of the receive path per byte (the engine delivers one byte per event) and of a
// discovery log line.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "link/box_discovery.h"
#include "link/line_assembler.h"

namespace {

class FramingSink final : public LineSink {
 public:
  void OnLine(std::string_view line) override {
    if (const auto message = FrameMessage(line)) messages += message->size();
  }
  void OnLineDropped() override { ++dropped; }
  std::size_t messages = 0;
  std::size_t dropped = 0;
};

// A typical box report, fed one byte per event.
void BM_AssembleOneBytePerEvent(benchmark::State& state) {
  const std::string traffic = "[PLMN 23415,ta=1,rssi=-71,cme=0]\r\n";
  LineAssembler assembler;
  FramingSink sink;
  for (auto _ : state) {
    for (char c : traffic) {
      const auto byte = static_cast<unsigned char>(c);
      assembler.Feed(&byte, 1, sink);
    }
  }
  benchmark::DoNotOptimize(sink.messages);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * traffic.size()));
}
BENCHMARK(BM_AssembleOneBytePerEvent);

// An endless line without a line feed: dropped once, then skipped byte by byte.
void BM_SkipAnOverlongLine(benchmark::State& state) {
  LineAssembler assembler;
  FramingSink sink;
  const unsigned char byte = 'x';
  for (auto _ : state) assembler.Feed(&byte, 1, sink);
  benchmark::DoNotOptimize(sink.dropped);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SkipAnOverlongLine);

void BM_FormatDeviceRecordLine(benchmark::State& state) {
  auto record = std::make_unique<BoxDeviceRecord>();
  std::memset(record.get(), 0, sizeof *record);
  record->vid = 0x0403;
  record->pid = 0x6015;
  std::strcpy(record->device, "/dev/ttyUSB0");
  std::strcpy(record->name, "FTDI Rodiduz Box");
  std::strcpy(record->com, "COM1");
  for (auto _ : state) benchmark::DoNotOptimize(FormatDeviceRecordLine(0, *record));
}
BENCHMARK(BM_FormatDeviceRecordLine);

}  // namespace
