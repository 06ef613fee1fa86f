#include "app/startup/worker_thread.h"

#include <utility>

#include "base/thread_registry.h"

WorkerThread::WorkerThread(std::string label, int identifier)
    : FrameworkThread(std::move(label)), identifier_(identifier) {}

WorkerThread::~WorkerThread() {
  // Stop here, while OnThreadStop is still this class's.
  Stop();
}

void WorkerThread::OnThreadStart() {
  if (identifier_ >= 0) registered_ = nbase::ThreadRegistry::Get().BindIdentifier(identifier_);
}

void WorkerThread::OnThreadStop() {
  if (registered_) nbase::ThreadRegistry::Get().ReleaseIdentifier();
  registered_ = false;
}
