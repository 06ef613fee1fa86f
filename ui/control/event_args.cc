#include "ui/control/event_args.h"

#include <map>

namespace ui {

UiEventKind EventKindFromName(StringView name) {
  static const std::map<StringView, UiEventKind, std::less<>> kNames = {
      {u"all", kEventAll},           {u"keydown", kEventKeyDown},         {u"keyup", kEventKeyUp},
      {u"char", kEventChar},         {u"syskey", kEventSysKey},           {u"mousemove", kEventMouseMove},
      {u"mouseenter", kEventMouseEnter}, {u"mouseleave", kEventMouseLeave}, {u"mousehover", kEventMouseHover},
      {u"buttondown", kEventButtonDown}, {u"buttonup", kEventButtonUp},   {u"rbuttondown", kEventRButtonDown},
      {u"doubleclick", kEventDoubleClick}, {u"menu", kEventMenu},         {u"scrollwheel", kEventScrollWheel},
      {u"setfocus", kEventSetFocus}, {u"killfocus", kEventKillFocus},     {u"windowclose", kEventWindowClose},
      {u"setcursor", kEventSetCursor}, {u"select", kEventSelect},         {u"unselect", kEventUnselect},
      {u"return", kEventReturn},     {u"tab", kEventTab},                 {u"scrollchange", kEventScrollChange},
      {u"valuechange", kEventValueChange},
  };
  auto it = kNames.find(name);
  return it == kNames.end() ? kEventNone : it->second;
}

}  // namespace ui
