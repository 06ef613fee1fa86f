#include "demo_platform.h"
#include "platform/registry.h"

namespace demo {

namespace {
// Folder names arrive as UTF-8 bytes; malformed bytes are kept one per
// character so the recorded location still names something.
std::wstring WideFromUtf8(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    bool sequence = extra > 0 && i + static_cast<size_t>(extra) < text.size();
    for (int k = 1; sequence && k <= extra; ++k)
      sequence = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!sequence) {
      out.push_back(static_cast<wchar_t>(c));
      ++i;
      continue;
    }
    wchar_t value = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k)
      value = static_cast<wchar_t>((value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F));
    out.push_back(value);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}
}  // namespace

bool RecordUninstallEntry(const std::string& install_folder) {
  const std::wstring folder = WideFromUtf8(install_folder);
  return WriteUninstallValue(0, L"LumaCast", L"DisplayName", L"LumaCast") &&
         WriteUninstallValue(0, L"LumaCast", L"DisplayVersion", L"1.6.2.2") &&
         WriteUninstallValue(0, L"LumaCast", L"Publisher", L"Brightvale") &&
         WriteUninstallValue(0, L"LumaCast", L"InstallLocation", folder);
}

}  // namespace demo
