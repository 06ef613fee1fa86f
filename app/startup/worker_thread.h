// A worker framework thread with a plain task loop, registered under its
// identifier with nbase::ThreadRegistry while its loop exists.
//
// The installer runs two: "Global Misc Thread" (kMiscThreadId: download and
// setup run) and "http Thread" (kHttpThreadId: event reports). Created, owned
// and destroyed by MainThread on the UI thread; destroying it runs every task
// already due, then stops and joins the thread.
#pragma once

#include <string>

#include "base/framework_thread.h"

class WorkerThread : public nbase::FrameworkThread {
 public:
  // A negative `identifier` registers nothing.
  WorkerThread(std::string label, int identifier);
  ~WorkerThread() override;

  int identifier() const { return identifier_; }

 protected:
  void OnThreadStart() override;
  void OnThreadStop() override;

 private:
  const int identifier_;
  bool registered_ = false;  // touched on the worker thread only
};
