// Runs GLib's default main context inside the UI pump (Linux only): the ATK
// bridge talks to the accessibility bus through it, and without it the
// program would never answer a client. Prepare, query, check and dispatch
// all happen on the UI thread, in the pump's own poll.
#pragma once

namespace ui {

// Lends the default main context to the calling thread's UI pump, once.
// False when the thread has no UI pump or another thread owns the context.
bool AttachGlibMainContext();

}  // namespace ui
