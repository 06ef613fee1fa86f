// An optional filter a UI loop's run hands every native message to, in place
// of the default dispatch. On Windows the message is a `MSG`; on Linux it is a
// ready file descriptor of the UI pump. `Accept` returning false ends the run.
// Called on the loop thread only.
#ifndef BASE_MESSAGE_HOOK_H_
#define BASE_MESSAGE_HOOK_H_

#if defined(_WIN32)
struct tagMSG;  // MSG, without pulling <windows.h> into portable code
#endif

namespace nbase {

#if defined(_WIN32)
using NativeMessage = ::tagMSG;
#else
struct PollEvent {
  int fd;
  short revents;
};
using NativeMessage = PollEvent;
#endif

class MessageHook {
 public:
  virtual ~MessageHook() = default;
  virtual bool Accept(const NativeMessage& message) = 0;
};

}  // namespace nbase

#endif  // BASE_MESSAGE_HOOK_H_
