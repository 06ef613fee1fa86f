#include <windows.h>

#include <cstring>

#include "ui/core/clipboard.h"

namespace ui {

bool SetClipboardText(StringView text) {
  const size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  if (void* data = GlobalLock(memory)) {
    std::memcpy(data, text.data(), text.size() * sizeof(char16_t));
    static_cast<char16_t*>(data)[text.size()] = 0;
    GlobalUnlock(memory);
  }
  if (!OpenClipboard(nullptr)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!ok) GlobalFree(memory);  // the system owns it only on success
  return ok;
}

bool GetClipboardText(String* text) {
  text->clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return false;
  bool ok = false;
  if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* data = static_cast<const char16_t*>(GlobalLock(memory))) {
      // Never past the block, even when it holds no terminator.
      const size_t units = GlobalSize(memory) / sizeof(char16_t);
      size_t length = 0;
      while (length < units && data[length]) ++length;
      text->assign(data, length);
      GlobalUnlock(memory);
      ok = true;
    }
  }
  CloseClipboard();
  return ok;
}

}  // namespace ui
