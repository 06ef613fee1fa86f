#include "ui/accessibility/glib_pump_source_linux.h"

#include <glib.h>

#include "base/ui_message_pump_linux.h"

namespace ui {

namespace {

// GPollFD and pollfd are the same three fields on Linux; copied one by one
// all the same, so nothing rests on that.
class GlibPumpSource : public nbase::LinuxUIMessagePump::PollSource {
 public:
  explicit GlibPumpSource(GMainContext* context) : context_(context) {}

  void Prepare(std::vector<pollfd>* fds, int* timeout_ms) override {
    g_main_context_prepare(context_, &priority_);
    int glib_timeout = -1;
    int count = static_cast<int>(gfds_.size());
    for (;;) {
      const int needed = g_main_context_query(context_, priority_, &glib_timeout, gfds_.data(), count);
      if (needed <= count) {
        gfds_.resize(needed);
        break;
      }
      gfds_.resize(needed);
      count = needed;
    }
    fds->clear();
    for (const GPollFD& g : gfds_) fds->push_back(pollfd{g.fd, static_cast<short>(g.events), 0});
    if (glib_timeout >= 0 && (*timeout_ms < 0 || glib_timeout < *timeout_ms)) *timeout_ms = glib_timeout;
  }

  bool Dispatch(std::vector<pollfd>* fds) override {
    for (size_t i = 0; i < gfds_.size() && i < fds->size(); ++i)
      gfds_[i].revents = static_cast<gushort>((*fds)[i].revents);
    if (!g_main_context_check(context_, priority_, gfds_.data(), static_cast<int>(gfds_.size()))) return false;
    g_main_context_dispatch(context_);
    return true;
  }

 private:
  GMainContext* context_;
  int priority_ = 0;
  std::vector<GPollFD> gfds_;
};

}  // namespace

bool AttachGlibMainContext() {
  static GlibPumpSource* source = nullptr;
  if (source) return true;
  nbase::LinuxUIMessagePump* pump = nbase::LinuxUIMessagePump::ForThisThread();
  GMainContext* context = g_main_context_default();
  // Owned by this thread from now on, for the life of the process.
  if (!pump || !g_main_context_acquire(context)) return false;
  source = new GlibPumpSource(context);
  pump->SetPollSource(source);
  return true;
}

}  // namespace ui
