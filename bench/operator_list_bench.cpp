// The operator drop-down with every operator in it: ticking "Show all operators" on the real
// main window (offscreen, shown on the settings page, the paint that follows included) and
// destroying a window whose list holds them, for the real catalogue and for 10 and 100 copies of
// it whose rows cannot merge across copies. The real catalogue is the reference: per item, a
// larger list should cost about what the real one costs.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QTest>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/test_files.h"
#include "ui/main_window.h"

namespace {

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The window on `copies` copies of the real catalogue, shown on the settings page, with the box
// on no network so that unticking "Show all operators" leaves a short list.
class ScaledWindow {
 public:
  explicit ScaledWindow(int copies) {
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", ScaledRealCatalogue(copies));
    environment.usb_library = folder_.File("no-such-usblib.so");
    environment.log_places.folder = [this] { return folder_.Path() + "/"; };
    window_ = std::make_unique<MainWindow>(std::move(environment));
    window_->Core().Session().report.mcc = 0;
    window_->show();
    window_->ShowPage(kPageSetup);
    if (!QTest::qWaitForWindowExposed(window_.get())) throw std::runtime_error("the window was never shown");
  }

  MainWindow& window() { return *window_; }
  // Every catalogue entry and the box's own settings: the items of the full list.
  std::size_t items() const { return window_->Core().Operators().catalogue.size() + 1; }
  void Destroy() { window_.reset(); }

 private:
  ScratchFolder folder_;
  std::unique_ptr<MainWindow> window_;
};

// Nanoseconds per item of each workload at 1 copy, for the growth of the larger sizes.
std::map<std::string, double>& PerItemAtOneCopy() {
  static std::map<std::string, double> figures;
  return figures;
}

void ReportPerItem(benchmark::State& state, const std::string& workload, std::size_t items, double seconds) {
  const double per_item =
      seconds * 1e9 / (static_cast<double>(items) * static_cast<double>(state.iterations()));
  state.counters["items"] = static_cast<double>(items);
  state.counters["ns_per_item"] = per_item;
  if (state.range(0) == 1) PerItemAtOneCopy()[workload] = per_item;
  const auto base = PerItemAtOneCopy().find(workload);
  if (base != PerItemAtOneCopy().end()) state.counters["x_per_item_vs_1x"] = per_item / base->second;
}

// Ticking the box rebuilds the list with every operator and selects the first; the pending
// paint is part of it. Unticking (not timed) brings the short list back.
void BM_ShowAllOperators(benchmark::State& state) {
  ScaledWindow scaled(static_cast<int>(state.range(0)));
  Wizard& form = scaled.window().Core();
  double seconds = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    form.SetCheckBox(Control::ShowAllOperators, true);
    QApplication::processEvents();
    const double elapsed = ThreadCpuSeconds() - start;
    state.SetIterationTime(elapsed);
    seconds += elapsed;
    if (scaled.window().OperatorCount() != static_cast<int>(scaled.items())) {
      state.SkipWithError("the list does not hold every operator");
      break;
    }
    form.SetCheckBox(Control::ShowAllOperators, false);
    QApplication::processEvents();
  }
  ReportPerItem(state, "show_all", scaled.items(), seconds);
}
BENCHMARK(BM_ShowAllOperators)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();

// Opening the drop-down on the full list, as the user does after ticking the box, and closing it.
void BM_OpenFullList(benchmark::State& state) {
  ScaledWindow scaled(static_cast<int>(state.range(0)));
  scaled.window().Core().SetCheckBox(Control::ShowAllOperators, true);
  QApplication::processEvents();
  QComboBox& list = *scaled.window().Get<QComboBox>(Control::OperatorList);
  double seconds = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    list.showPopup();
    QApplication::processEvents();
    list.hidePopup();
    QApplication::processEvents();
    const double elapsed = ThreadCpuSeconds() - start;
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  ReportPerItem(state, "open", scaled.items(), seconds);
}
BENCHMARK(BM_OpenFullList)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();

// Closing the window and destroying it with every operator in its list.
void BM_TearDownFullList(benchmark::State& state) {
  double seconds = 0;
  std::size_t items = 0;
  for (auto _ : state) {
    ScaledWindow scaled(static_cast<int>(state.range(0)));
    scaled.window().Core().SetCheckBox(Control::ShowAllOperators, true);
    QApplication::processEvents();
    items = scaled.items();
    const double start = ThreadCpuSeconds();
    scaled.window().close();
    scaled.Destroy();
    const double elapsed = ThreadCpuSeconds() - start;
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  ReportPerItem(state, "tear_down", items, seconds);
}
BENCHMARK(BM_TearDownFullList)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
