#include "ui/control/label.h"

namespace ui {

uint32_t ApplyAlignWords(uint32_t style, StringView value) {
  auto has = [&](StringView word) { return value.find(word) != StringView::npos; };
  if (has(u"left")) style &= ~(kTextCenter | kTextRight | kTextVCenter | kTextSingleLine);
  if (has(u"center")) {
    style &= ~kTextRight;
    style |= kTextCenter;
  }
  if (has(u"right")) {
    style &= ~(kTextCenter | kTextVCenter | kTextSingleLine);
    style |= kTextRight;
  }
  if (has(u"top")) {
    style &= ~(kTextBottom | kTextVCenter);
    style |= kTextSingleLine;
  }
  if (has(u"vcenter")) {
    style &= ~kTextBottom;
    style |= kTextCenter | kTextVCenter | kTextSingleLine;
  }
  if (has(u"bottom")) {
    style &= ~kTextVCenter;
    style |= kTextBottom | kTextSingleLine;
  }
  return style;
}

}  // namespace ui
