#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <utility>

#include "base/tick_scheduler.h"
#include "base/winmm_win.h"

namespace nbase::internal {
namespace {

constexpr wchar_t kTickWindowClass[] = L"UI_ANIMATION_TIMERMANAGER_H_";
constexpr UINT kTickMessage = 11023;
constexpr UINT_PTR kFallbackTimerId = 1;

using SetEventFunction = MMRESULT(WINAPI*)(UINT, UINT, LPTIMECALLBACK, DWORD_PTR, UINT);
using KillEventFunction = MMRESULT(WINAPI*)(UINT);

// A periodic multimedia timer whose callback, on the system's timer thread,
// only posts kTickMessage to a message-only window of the creating thread.
// One message at most waits in the queue (`tick_pending`): a thread that is
// blocked for a while finds a single tick, not a backlog. Without winmm, or
// when it refuses the timer, a USER timer on the same window stands in.
class WinTickSource : public TickSource {
 public:
  WinTickSource(HWND tick_window, Closure on_tick) : tick_window_(tick_window), on_tick_(std::move(on_tick)) {
    SetWindowLongPtrW(tick_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  ~WinTickSource() override {
    Stop();
    DestroyWindow(tick_window_);
  }

  void Start(uint32_t period_ms) override {
    Stop();
    if (set_event_ != nullptr && kill_event_ != nullptr)
      mm_timer_ = set_event_(period_ms, 1, &WinTickSource::OnTimer, reinterpret_cast<DWORD_PTR>(this),
                             TIME_PERIODIC);
    if (mm_timer_ == 0) SetTimer(tick_window_, kFallbackTimerId, period_ms, nullptr);
  }

  void Stop() override {
    if (mm_timer_ != 0) kill_event_(mm_timer_);
    mm_timer_ = 0;
    KillTimer(tick_window_, kFallbackTimerId);
  }

  int ticks_posted() const override { return ticks_posted_.load(); }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<WinTickSource*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == kTickMessage) {
      self->tick_pending_.store(0);  // a tick during the service posts again
      self->on_tick_();
      return 1;
    }
    if (self != nullptr && message == WM_TIMER && wparam == kFallbackTimerId) {
      self->ticks_posted_.fetch_add(1);
      self->on_tick_();
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

 private:
  static void CALLBACK OnTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* self = reinterpret_cast<WinTickSource*>(user);
    if (self->tick_pending_.exchange(1) != 0) return;
    self->ticks_posted_.fetch_add(1);
    PostMessageW(self->tick_window_, kTickMessage, 0, 0);
  }

  const SetEventFunction set_event_ = WinmmFunction<SetEventFunction>("timeSetEvent");
  const KillEventFunction kill_event_ = WinmmFunction<KillEventFunction>("timeKillEvent");
  HWND tick_window_;
  Closure on_tick_;
  UINT mm_timer_ = 0;
  std::atomic<LONG> tick_pending_{0};
  std::atomic<int> ticks_posted_{0};
};

}  // namespace

std::unique_ptr<TickSource> TickSource::Create(Closure on_tick) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &WinTickSource::WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kTickWindowClass;
  RegisterClassExW(&window_class);
  HWND window =
      CreateWindowExW(0, kTickWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (window == nullptr) return nullptr;
  return std::make_unique<WinTickSource>(window, std::move(on_tick));
}

int64_t CounterRate() {
  LARGE_INTEGER rate{};
  QueryPerformanceFrequency(&rate);
  return rate.QuadPart;
}

int64_t CounterNow() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace nbase::internal
