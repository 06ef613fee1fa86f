#include "base/message_loop.h"
#include "base/message_pump_win.h"

namespace nbase::internal {

std::shared_ptr<MessagePump> CreateUIPump() { return std::make_shared<WinUIMessagePump>(); }

std::shared_ptr<MessagePump> CreateIOPump() { return std::make_shared<WinIOMessagePump>(); }

}  // namespace nbase::internal
