// ui_window_bench: two figures of a live 600 x 400 window.
//
//   ui_window_bench [THEME_DIR]
//
// 1. Start-up: the time from starting a process to its first frame on
//    screen (the program runs itself with --first-frame and waits for its
//    "frame" line); the best and the median of several runs.
// 2. Idle: how often the UI thread wakes up while the shown window sits for
//    10 s with nothing moving (after its fade-in has ended). Counted as the
//    system's wake-ups of the thread (Linux) and as the loop's own work: tasks
//    run plus timer ticks.
//
// Needs a display (Xvfb, or Wine's). Not a test: it prints figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/message_loop.h"
#include "base/tick_scheduler.h"
#include "base/time.h"
#include "bench/thread_wakeups.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/layout_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window_impl_base.h"

namespace {

constexpr int kStartRuns = 7;
constexpr int kIdleSeconds = 10;

class BenchWindow : public ui::WindowImplBase {
 public:
  explicit BenchWindow(nbase::MessageLoop* loop, bool exit_on_first_frame)
      : loop_(loop), exit_on_first_frame_(exit_on_first_frame) {}

 protected:
  ui::String ClassName() const override { return u"LumaCastBenchWindow"; }
  ui::String LayoutFolder() const override { return u"layouts"; }
  ui::String LayoutFile() const override { return u"bench.xml"; }
  void OnFramePresented() override {
    if (!exit_on_first_frame_) return;
    std::puts("frame");
    std::fflush(stdout);
    std::_Exit(0);
  }
  void OnNativeGone() override {
    loop_->QuitWhenIdle();
    ui::WindowImplBase::OnNativeGone();
  }

 private:
  nbase::MessageLoop* loop_;
  bool exit_on_first_frame_;
};

class TaskCounter : public nbase::MessageLoop::TaskObserver {
 public:
  void WillRunTask() override { ++tasks; }
  void DidRunTask() override {}
  int64_t tasks = 0;
};

bool LoadTheme(const std::string& theme) {
  auto& rm = ui::ResourceManager::Get();
  rm.SetResourceRoot(ui::U(theme + "/"));
  ui::Window global_window;
  ui::LayoutBuilder global;
  global.Build(u"global.xml", {}, &global_window, nullptr, nullptr);
  return global.ErrorMessage().empty();
}

int FirstFrameChild(const std::string& theme) {
  if (!LoadTheme(theme)) return 2;
  nbase::UIMessageLoop loop;
  auto* window = new BenchWindow(&loop, true);
  if (!window->CreateNative(nullptr, u"ui_window_bench")) return 2;
  window->CenterOnOwner();
  window->Show(true, true);
  loop.Run();
  return 1;
}

void MeasureStart(const std::string& self, const std::string& theme) {
  std::vector<double> ms;
  std::string command = "\"" + self + "\" --first-frame \"" + theme + "\"";
#if defined(_WIN32)
  command = "\"" + command + "\"";  // cmd /c drops one pair of outer quotes
#endif
  for (int i = 0; i < kStartRuns; ++i) {
    auto start = std::chrono::steady_clock::now();
    std::FILE* child = popen(command.c_str(), "r");
    if (!child) break;
    char line[64] = {};
    bool framed = std::fgets(line, sizeof line, child) && std::string(line).rfind("frame", 0) == 0;
    auto end = std::chrono::steady_clock::now();
    pclose(child);
    if (!framed) {
      std::printf("start-up: the child showed no frame\n");
      return;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  std::printf("process start to first frame (600x400): best %.1f ms, median %.1f ms over %zu runs\n", ms.front(),
              ms[ms.size() / 2], ms.size());
}

void MeasureIdle(const std::string& theme) {
  if (!LoadTheme(theme)) {
    std::printf("idle: the theme does not load\n");
    return;
  }
  nbase::UIMessageLoop loop;
  TaskCounter counter;
  auto* window = new BenchWindow(&loop, false);
  if (!window->CreateNative(nullptr, u"ui_window_bench")) {
    std::printf("idle: no window\n");
    return;
  }
  window->CenterOnOwner();
  window->Show(true, true);
  int64_t wakes0 = 0, tasks0 = 0, ticks0 = 0;
  // Starts 1 s after the show (the fade-in lasts 250 ms), ends 10 s later.
  loop.PostAfter([&] {
    wakes0 = ThreadWakeUps();
    tasks0 = counter.tasks;
    ticks0 = nbase::TickScheduler::Instance().TicksPostedForTesting();
    loop.AddTaskObserver(&counter);
  }, nbase::TimeDelta::FromMilliseconds(1000));
  loop.PostAfter([&] {
    // This task's own wake-up is not the window's.
    int64_t wakes = ThreadWakeUps();
    int64_t tasks = counter.tasks - tasks0 - 1;
    int64_t ticks = nbase::TickScheduler::Instance().TicksPostedForTesting() - ticks0;
    loop.RemoveTaskObserver(&counter);
    if (wakes >= 0 && wakes0 >= 0)
      std::printf("idle %d s: %lld thread wake-ups (%.2f/s)\n", kIdleSeconds,
                  static_cast<long long>(wakes - wakes0 - 1), (wakes - wakes0 - 1) / double(kIdleSeconds));
    std::printf("idle %d s: %lld tasks, %lld timer ticks, %d frames so far\n", kIdleSeconds,
                static_cast<long long>(tasks), static_cast<long long>(ticks), window->FramesPresented());
    std::fflush(stdout);
    window->CloseWithResult(0);
  }, nbase::TimeDelta::FromMilliseconds(1000 + kIdleSeconds * 1000));
  loop.Run();
}

}  // namespace

int main(int argc, char** argv) {
  std::string theme = LUMACAST_SOURCE_DIR "/tests/ui/window/theme";
  if (argc >= 3 && std::string(argv[1]) == "--first-frame") return FirstFrameChild(argv[2]);
  if (argc >= 2) theme = argv[1];
  MeasureStart(argv[0], theme);
  MeasureIdle(theme);
  return 0;
}
