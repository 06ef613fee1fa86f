// FlowView: what the install flow needs from a window, and nothing more.
//
// The install flow (install_flow.h) drives pages, labels, the progress bar and
// question boxes only through this interface, so it runs unchanged behind the
// real main window, behind the console driver and behind test views. Every
// call is made on the UI thread and returns at once; `AskQuestion` delivers its
// answer later (also on the UI thread) through the callback, exactly once
// (kMsgBoxUnanswered when no box at all could be shown).
#pragma once

#include <string>

#include "app/flow/msgbox_ret.h"

// Names of the controls the flow touches, as the layout names them.
namespace flow_controls {
inline constexpr wchar_t kHeaderStrip[] = L"bkimage1";
inline constexpr wchar_t kHeaderImage[] = L"bkimage2";
inline constexpr wchar_t kExitButton[] = L"btn_exit";
inline constexpr wchar_t kWelcomePage[] = L"welcompage";
inline constexpr wchar_t kInstallPage[] = L"installpage";
inline constexpr wchar_t kInstalledPage[] = L"installedpage";
inline constexpr wchar_t kFailedPage[] = L"installfaildpage";
inline constexpr wchar_t kRetryButton[] = L"btn_reinstall";
inline constexpr wchar_t kSlowAlert[] = L"downloadAlert";
inline constexpr wchar_t kProgressBar[] = L"progress_install";
inline constexpr wchar_t kProgressLabel[] = L"progress_install_value";
inline constexpr wchar_t kFailureReason[] = L"download_failed_msg";
inline constexpr wchar_t kInstallDirEdit[] = L"edit_installdir";
}  // namespace flow_controls

// The four texts of a question box. Texts are shown as given (never looked up
// in the string table).
struct QuestionBox {
  std::wstring content;
  std::wstring title;
  std::wstring yes_text;
  std::wstring no_text;
};

class FlowView {
 public:
  virtual ~FlowView() = default;

  // Shows or hides a named page or control.
  virtual void SetVisible(const std::wstring& name, bool visible) = 0;
  // Replaces the text of a named control.
  virtual void SetText(const std::wstring& name, const std::wstring& text) = 0;
  // Sets the value (0..99) of the "progress_install" bar and redraws it.
  virtual void SetProgressValue(int value) = 0;
  // Closes the customize bar when it is open (the window shrinks back).
  virtual void CollapseCustomizeBar() = 0;
  // Shows a question box owned by the window; the answer comes later.
  virtual void AskQuestion(const QuestionBox& box, MsgBoxCallback answer) = 0;
  // Shows a system error note owned by the window (it may block until
  // dismissed; the window takes no input meanwhile).
  virtual void ShowErrorNote(const std::wstring& text, const std::wstring& title) = 0;
  // Shows a note box owned by the window with one "OK" button; returns at once.
  virtual void ShowNote(const std::wstring& text, const std::wstring& title) = 0;
  // Brings the window to the foreground.
  virtual void BringToFront() = 0;
  // Closes the window; for the real window this ends the process.
  virtual void Close() = 0;
};
