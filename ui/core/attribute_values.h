// Reading attribute values: booleans, decimal numbers, number lists and the
// attribute-list grammar of classes and `applyattribute`.
//
// Malformed values read as many numbers as they can; nothing here fails loudly.
#pragma once

#include <functional>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

// True only for the exact text "true".
inline bool IsTrueValue(StringView value) { return value == u"true"; }

// The largest magnitude a number in a layout reads as: far beyond any screen,
// and far enough from INT_MAX that scaling it (up to 5x) and adding margins
// and paddings stays in range. Larger numbers are clamped when read.
inline constexpr int kMaxAttributeNumber = 1 << 24;

// A decimal integer with an optional sign, clamped to +-kMaxAttributeNumber;
// `*ok` false (and 0) when no digit starts the text. Digits stop at the first
// other character.
int ParseDecimal(StringView text, bool* ok = nullptr, size_t* used = nullptr);

// Up to `max` decimal numbers separated by exactly one character ("l,t,r,b").
// Returns how many were read; unread outputs keep their value.
int ParseNumberList(StringView text, int* out, int max);

// "l,t,r,b" into a rectangle and "cx,cy" into a size; the count read.
int ParseRectNumbers(StringView text, UiRect* rect);
int ParseSizeNumbers(StringView text, UiSize* size);

// Skips leading blanks (colour names are written both ways).
StringView TrimLeadingBlanks(StringView text);

// name="value" items separated by exactly one space; calls `apply` for each
// and stops quietly at the first deviation. Returns the number applied.
int ForEachListedAttribute(StringView list,
                           const std::function<void(StringView name, StringView value)>& apply);

// Splits at runs of spaces (class lists, event types, receivers).
void ForEachWord(StringView text, const std::function<void(StringView word)>& each);

}  // namespace ui
