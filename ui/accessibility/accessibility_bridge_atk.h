// What the X11 window tells the ATK adapter (Linux only). The windows become
// children of the application object assistive technology finds on the
// accessibility bus; the bridge to that bus starts after the first window
// has been mapped (so the first frame never waits for D-Bus), unless
// NO_AT_BRIDGE is set, no session bus is reachable or libatk-bridge is
// missing, in which case the program runs as before.
#pragma once

namespace ui {

class NativeWindow;
class NativeWindowDelegate;

void AtkAddWindow(NativeWindow* window, NativeWindowDelegate* delegate);
// Before the delegate hears of the destruction: its tree is still alive.
void AtkRemoveWindow(NativeWindow* window);
void AtkWindowMapped(NativeWindow* window);
void AtkWindowActivated(NativeWindow* window, bool active);

}  // namespace ui
