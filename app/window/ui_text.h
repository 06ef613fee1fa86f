// Texts between the installer (wide strings) and the UI toolkit (UTF-16).
#pragma once

#include <string>

#include "base/utf.h"
#include "ui/core/ui_string.h"

inline ui::String ToUiText(const std::wstring& text) { return ui::FromUTF8(nbase::WideToUTF8(text)); }
inline std::wstring FromUiText(const ui::String& text) { return nbase::UTF8ToWide(ui::ToUTF8(text)); }
