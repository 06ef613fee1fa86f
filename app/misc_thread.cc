#include "app/misc_thread.h"

#include <utility>

#include "base/thread_registry.h"

MiscThread::MiscThread(std::string label, int identifier)
    : FrameworkThread(std::move(label)), identifier_(identifier) {}

MiscThread::~MiscThread() {
  // Stop here, while OnThreadStop is still this class's.
  Stop();
}

void MiscThread::OnThreadStart() {
  if (identifier_ >= 0) registered_ = nbase::ThreadRegistry::Get().BindIdentifier(identifier_);
}

void MiscThread::OnThreadStop() {
  if (registered_) nbase::ThreadRegistry::Get().ReleaseIdentifier();
  registered_ = false;
}
