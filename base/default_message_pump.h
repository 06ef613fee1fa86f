// The pump of plain worker loops: an auto-reset event, waited on without limit
// or until the next delayed task is due. Loop thread only, except `Wake`.
#ifndef BASE_DEFAULT_MESSAGE_PUMP_H_
#define BASE_DEFAULT_MESSAGE_PUMP_H_

#include "base/message_pump.h"
#include "base/waitable_event.h"

namespace nbase {

class DefaultMessagePump : public MessagePump {
 public:
  void RunWith(Delegate* delegate, MessageHook* hook) override;
  void StopRun() override { stop_requested_ = true; }
  void Wake() override { event_.Signal(); }
  void WakeAt(MonoTime when) override { next_wakeup_ = when; }

 private:
  WaitableEvent event_;
  bool stop_requested_ = false;
  MonoTime next_wakeup_ = 0;
};

}  // namespace nbase

#endif  // BASE_DEFAULT_MESSAGE_PUMP_H_
