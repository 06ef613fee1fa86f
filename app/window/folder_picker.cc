#include "app/window/folder_picker.h"

#include "app/window/msg_box.h"
#include "ui/control/rich_edit.h"

namespace {

#ifdef _WIN32
constexpr wchar_t kSeparator = L'\\';
#else
constexpr wchar_t kSeparator = L'/';
#endif

bool IsBlank(const std::wstring& text) { return text.find_first_not_of(L" \t") == std::wstring::npos; }

}  // namespace

std::wstring InstallDirForChosenFolder(const std::wstring& chosen) {
  return chosen + kSeparator + L"Brightvale" + kSeparator + L"LumaCast";
}

void ShowFolderBox(ui::WindowImplBase* owner, const std::wstring& start_folder, FolderChosen done) {
  MsgBox* box = ShowMessageBox(owner, start_folder, nullptr, false, kFolderPickerTitle, false, L"OK", false,
                               L"Cancel", false);
  if (!box) return;
  box->MakeContentEditable([done](MsgBoxRet answer, const std::wstring& text) {
    if (answer == kMsgBoxYes && !IsBlank(text) && done) done(text);
  });
  if (box->content()) {
    box->FocusControl(box->content());
    box->content()->SelectAll();
  }
}
