#include "base/default_message_pump.h"
#include "base/message_loop.h"
#include "base/ui_message_pump_linux.h"

namespace nbase::internal {

std::shared_ptr<MessagePump> CreateUIPump() { return std::make_shared<LinuxUIMessagePump>(); }

// No completion ports here: I/O threads sleep like plain workers.
std::shared_ptr<MessagePump> CreateIOPump() { return std::make_shared<DefaultMessagePump>(); }

}  // namespace nbase::internal
