#include "ui/core/plain_dialog_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace ui {
namespace {

constexpr int kMargin = 16;
constexpr int kTextWidth = 420;
constexpr int kButtonGap = 10;

struct Button {
  std::string label;
  int x, y, width, height;
  bool Contains(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};

int TextWidth(XFontStruct* font, const std::string& text) {
  return XTextWidth(font, text.data(), static_cast<int>(text.size()));
}

// Greedy word wrap to `width` pixels; a word wider than the line stands alone.
std::vector<std::string> WrapText(XFontStruct* font, const std::string& text, int width) {
  std::vector<std::string> lines;
  std::string line;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(pos, end - pos);
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && TextWidth(font, candidate) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    pos = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

class PlainDialog {
 public:
  explicit PlainDialog(Display* display) : display_(display) {}
  ~PlainDialog() {
    if (gc_) XFreeGC(display_, gc_);
    if (window_) XDestroyWindow(display_, window_);
    if (font_ && font_loaded_) XFreeFont(display_, font_);
    else if (font_) XFreeFontInfo(nullptr, font_, 1);
  }

  int Run(const std::string& text, const std::string& caption, const std::vector<std::string>& labels,
          int cancel_index) {
    const int screen = DefaultScreen(display_);
    const Window root = RootWindow(display_, screen);
    gc_ = XCreateGC(display_, root, 0, nullptr);
    font_ = XLoadQueryFont(display_, "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1");
    if (!font_) font_ = XLoadQueryFont(display_, "fixed");
    font_loaded_ = font_ != nullptr;
    if (!font_) font_ = XQueryFont(display_, XGContextFromGC(gc_));
    if (!font_) return cancel_index;
    if (font_loaded_) XSetFont(display_, gc_, font_->fid);

    line_height_ = font_->ascent + font_->descent + 2;
    lines_ = WrapText(font_, text, kTextWidth);
    const int button_height = line_height_ + 12;
    const int width = kTextWidth + 2 * kMargin;
    const int height = kMargin + static_cast<int>(lines_.size()) * line_height_ + 2 * kMargin +
                       button_height + kMargin;
    for (const std::string& label : labels) buttons_.push_back({label, 0, 0, 0, button_height});
    int right = width - kMargin;
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
      it->width = std::max(84, TextWidth(font_, it->label) + 24);
      it->x = right - it->width;
      it->y = height - kMargin - button_height;
      right = it->x - kButtonGap;
    }

    const int x = std::max(0, (DisplayWidth(display_, screen) - width) / 2);
    const int y = std::max(0, (DisplayHeight(display_, screen) - height) / 2);
    window_ = XCreateSimpleWindow(display_, root, x, y, width, height, 1,
                                  BlackPixel(display_, screen), WhitePixel(display_, screen));
    XSelectInput(display_, window_,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);
    XStoreName(display_, window_, caption.c_str());
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()),
                    static_cast<int>(caption.size()));
    XClassHint class_hint{const_cast<char*>("lumacast-installer"),
                          const_cast<char*>("LumaCastInstaller")};
    XSetClassHint(display_, window_, &class_hint);
    XSizeHints size_hints{};
    size_hints.flags = PPosition | PMinSize | PMaxSize;
    size_hints.x = x;
    size_hints.y = y;
    size_hints.min_width = size_hints.max_width = width;
    size_hints.min_height = size_hints.max_height = height;
    XSetWMNormalHints(display_, window_, &size_hints);
    Atom delete_atom = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &delete_atom, 1);
    XMapRaised(display_, window_);

    int pressed = -1;
    for (;;) {
      XEvent event;
      XNextEvent(display_, &event);
      switch (event.type) {
        case MapNotify:
          XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
          break;
        case Expose:
          if (event.xexpose.count == 0) Draw(pressed);
          break;
        case ButtonPress:
          if (event.xbutton.button != Button1) break;
          pressed = HitTest(event.xbutton.x, event.xbutton.y);
          Draw(pressed);
          break;
        case ButtonRelease: {
          if (event.xbutton.button != Button1) break;
          const int released = HitTest(event.xbutton.x, event.xbutton.y);
          if (pressed >= 0 && released == pressed) return pressed;
          pressed = -1;
          Draw(pressed);
          break;
        }
        case KeyPress: {
          const KeySym key = XLookupKeysym(&event.xkey, 0);
          if (key == XK_Escape) return cancel_index;
          if ((key == XK_Return || key == XK_KP_Enter) && !buttons_.empty()) return 0;
          break;
        }
        case ClientMessage:
          if (static_cast<Atom>(event.xclient.data.l[0]) == delete_atom)
            return cancel_index;
          break;
        default:
          break;
      }
    }
  }

 private:
  int HitTest(int x, int y) const {
    for (size_t i = 0; i < buttons_.size(); ++i)
      if (buttons_[i].Contains(x, y)) return static_cast<int>(i);
    return -1;
  }

  void Draw(int pressed) {
    const int screen = DefaultScreen(display_);
    const unsigned long black = BlackPixel(display_, screen);
    const unsigned long white = WhitePixel(display_, screen);
    XClearWindow(display_, window_);
    XSetForeground(display_, gc_, black);
    int baseline = kMargin + font_->ascent;
    for (const std::string& line : lines_) {
      XDrawString(display_, window_, gc_, kMargin, baseline, line.data(),
                  static_cast<int>(line.size()));
      baseline += line_height_;
    }
    for (size_t i = 0; i < buttons_.size(); ++i) {
      const Button& b = buttons_[i];
      const bool down = static_cast<int>(i) == pressed;
      XSetForeground(display_, gc_, down ? black : white);
      XFillRectangle(display_, window_, gc_, b.x, b.y, b.width, b.height);
      XSetForeground(display_, gc_, black);
      XDrawRectangle(display_, window_, gc_, b.x, b.y, b.width - 1, b.height - 1);
      XSetForeground(display_, gc_, down ? white : black);
      const int label_width = TextWidth(font_, b.label);
      XDrawString(display_, window_, gc_, b.x + (b.width - label_width) / 2,
                  b.y + (b.height + font_->ascent - font_->descent) / 2, b.label.data(),
                  static_cast<int>(b.label.size()));
    }
    XFlush(display_);
  }

  Display* display_;
  Window window_ = 0;
  GC gc_ = nullptr;
  XFontStruct* font_ = nullptr;
  bool font_loaded_ = false;
  int line_height_ = 0;
  std::vector<std::string> lines_;
  std::vector<Button> buttons_;
};

}  // namespace

int ShowPlainDialog(const std::string& text, const std::string& caption, const std::vector<std::string>& buttons,
                    int cancel_index) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return -1;
  int result;
  {
    PlainDialog dialog(display);
    result = dialog.Run(text, caption, buttons, cancel_index);
  }
  XCloseDisplay(display);
  return result;
}

}  // namespace ui
