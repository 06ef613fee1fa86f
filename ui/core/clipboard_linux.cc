// The X CLIPBOARD selection, served from a hidden window on a connection of
// our own whose descriptor the UI pump watches.
// The pump's header first: Xlib defines macros (CurrentTime) that clash with
// the base runtime's names.
#include "base/ui_message_pump_linux.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <memory>
#include <string>

#include "ui/core/clipboard.h"

namespace ui {

namespace {

constexpr int kReadTimeoutMs = 1000;

class X11Clipboard {
 public:
  static X11Clipboard* Get() {
    static std::unique_ptr<X11Clipboard> instance = Create();
    return instance.get();
  }

  bool Set(StringView text) {
    owned_ = ToUTF8(text);
    XSetSelectionOwner(display_, clipboard_, window_, CurrentTime);
    const bool ours = XGetSelectionOwner(display_, clipboard_) == window_;
    if (!ours) owned_.clear();
    owns_ = ours;
    XFlush(display_);
    return ours;
  }

  bool Read(String* text) {
    text->clear();
    Drain();
    if (owns_) {
      *text = FromUTF8(owned_);
      return true;
    }
    if (XGetSelectionOwner(display_, clipboard_) == None) return false;
    if (Convert(utf8_, text)) return true;
    return Convert(XA_STRING, text);
  }

 private:
  static std::unique_ptr<X11Clipboard> Create() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    auto clipboard = std::unique_ptr<X11Clipboard>(new X11Clipboard(display));
    if (auto* pump = nbase::LinuxUIMessagePump::ForThisThread()) {
      pump->WatchDescriptor(ConnectionNumber(display), POLLIN,
                            [raw = clipboard.get()](int, short) { raw->Drain(); });
    }
    return clipboard;
  }

  explicit X11Clipboard(Display* display) : display_(display) {
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), -10, -10, 1, 1, 0, 0, 0);
    clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
    utf8_ = XInternAtom(display_, "UTF8_STRING", False);
    targets_ = XInternAtom(display_, "TARGETS", False);
    property_ = XInternAtom(display_, "LUMACAST_CLIPBOARD", False);
    XSelectInput(display_, window_, PropertyChangeMask);
    XFlush(display_);
  }

  // Handles every event waiting on the connection.
  void Drain() {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
  }

  void Handle(const XEvent& event) {
    if (event.type == SelectionClear && event.xselectionclear.selection == clipboard_) {
      owns_ = false;
      owned_.clear();
    } else if (event.type == SelectionRequest) {
      Answer(event.xselectionrequest);
    }
  }

  // Gives a requestor the text (UTF-8 or Latin-1 string) or our targets.
  void Answer(const XSelectionRequestEvent& request) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = request.display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    const Atom property = request.property == None ? request.target : request.property;
    if (owns_ && request.selection == clipboard_) {
      if (request.target == targets_) {
        Atom targets[] = {targets_, utf8_, XA_STRING};
        XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(targets), 3);
        reply.property = property;
      } else if (request.target == utf8_ || request.target == XA_STRING) {
        XChangeProperty(display_, request.requestor, property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(owned_.data()), static_cast<int>(owned_.size()));
        reply.property = property;
      }
    }
    XSendEvent(display_, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(display_);
  }

  // Asks the owner for `target` and waits (bounded) for its answer, serving
  // requests that arrive meanwhile.
  bool Convert(Atom target, String* text) {
    XDeleteProperty(display_, window_, property_);
    XConvertSelection(display_, clipboard_, target, property_, window_, CurrentTime);
    XFlush(display_);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
    for (;;) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == SelectionNotify && event.xselection.requestor == window_) {
          if (event.xselection.property == None) return false;
          return TakeProperty(target, text);
        }
        Handle(event);
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd fd{ConnectionNumber(display_), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left));
    }
  }

  bool TakeProperty(Atom target, String* text) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, property_, 0, 1 << 24, True, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success)
      return false;
    bool ok = false;
    if (data && format == 8 && type == target) {
      std::string bytes(reinterpret_cast<char*>(data), count);
      if (target == XA_STRING) {
        for (unsigned char c : bytes) text->push_back(static_cast<char16_t>(c));
      } else {
        *text = FromUTF8(bytes);
      }
      ok = true;
    }
    if (data) XFree(data);
    return ok;
  }

  Display* display_;
  ::Window window_ = 0;
  Atom clipboard_ = 0;
  Atom utf8_ = 0;
  Atom targets_ = 0;
  Atom property_ = 0;
  std::string owned_;
  bool owns_ = false;
};

}  // namespace

bool SetClipboardText(StringView text) {
  X11Clipboard* clipboard = X11Clipboard::Get();
  return clipboard && clipboard->Set(text);
}

bool GetClipboardText(String* text) {
  text->clear();
  X11Clipboard* clipboard = X11Clipboard::Get();
  return clipboard && clipboard->Read(text);
}

}  // namespace ui
