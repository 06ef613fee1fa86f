#include "app/window/main_window.h"

#include <utility>

#include "app/startup/thread_ids.h"
#include "app/window/close_sequence.h"
#include "app/window/folder_picker.h"
#include "app/window/msg_box.h"
#include "app/window/ui_text.h"
#include "base/thread_registry.h"
#include "ui/control/button.h"
#include "ui/control/check_box.h"
#include "ui/control/label.h"
#include "ui/control/progress.h"
#include "ui/control/rich_edit.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/native_window.h"

using namespace flow_controls;

namespace {

// The buttons whose clicks go to HandleButtonClick, in the order they are bound.
constexpr const char16_t* kClickButtons[] = {u"btn_useragreement", u"btn_customize", u"btn_changeinstallpath",
                                             u"btn_startapp", u"btn_reinstall", u"btn_redownload",
                                             u"btn_downloadOfflinePackage", u"btn_expand", u"btn_exit",
                                             u"btn_startinstall"};

}  // namespace

CMainWindow::CMainWindow() : CMainWindow(std::make_unique<InstallerContext>(), DefaultFlowOptions()) {}

CMainWindow::CMainWindow(std::unique_ptr<InstallerContext> context, FlowOptions options)
    : context_(std::move(context)), flow_(std::make_unique<InstallFlow>(context_.get(), this, std::move(options))) {}

CMainWindow::~CMainWindow() = default;

void CMainWindow::BindControls() {
  SetVisible(kHeaderStrip, false);
  SetVisible(kHeaderImage, true);
  customizeBar_ = LocateControl(u"customizebar");

  auto on_click = MakeGuarded([this](const ui::EventArgs& args) { return HandleButtonClick(args); });
  for (const char16_t* name : kClickButtons) {
    if (auto* button = FindControl<ui::Button>(name)) button->AddHandler(ui::kEventClick, on_click);
  }
  expandButton_ = FindControl<ui::Button>(u"btn_expand");
  exitButton_ = FindControl<ui::Button>(u"btn_exit");
  startInstallButton_ = FindControl<ui::Button>(u"btn_startinstall");
  retryButton_ = FindControl<ui::Button>(u"btn_reinstall");

  SetText(kInstallDirEdit, context_->installDir);

  if (auto* agreement = FindControl<ui::CheckBox>(u"checkbox_agreement")) {
    auto gate = MakeGuarded([this, agreement](const ui::EventArgs&) {
      if (startInstallButton_) startInstallButton_->SetEnabled(agreement->IsSelected());
      return true;
    });
    agreement->AddHandler(ui::kEventSelect, gate);
    agreement->AddHandler(ui::kEventUnselect, gate);
  }
  for (const char16_t* name : {u"appnameLable_install", u"appnameLable_welcom"}) {
    if (auto* label = FindControl<ui::Label>(name)) label->SetText(ToUiText(kProductName));
  }
  if (context_->installedBefore) {
    // The folder of an install already recorded cannot be changed.
    for (const char16_t* name : {u"edit_installdir", u"btn_changeinstallpath"}) {
      if (ui::Control* control = LocateControl(name)) control->SetEnabled(false);
    }
  }
}

bool CMainWindow::HandleButtonClick(const ui::EventArgs& args) {
  if (!args.sender) return true;
  const std::wstring name = FromUiText(args.sender->GetName());
  if (name == L"btn_customize" || name == L"btn_expand") {
    ToggleCustomizeBar();
  } else if (name == L"btn_changeinstallpath") {
    ChangeInstallFolder();
  } else {
    // User agreement, Install Now, Start Now, Try Again, quit, full package.
    flow_->HandleFlowButton(name);
  }
  return true;
}

void CMainWindow::ToggleCustomizeBar() {
  if (!customizeBar_ || !expandButton_) return;
  // The layout scales the bar's 48 pixels the same way, so opening and
  // closing always move the window by exactly the bar's height.
  int delta = ui::DpiScale::Get().ScaleValue(kCustomizeBarHeight);
  if (customizeExpanded_) {
    delta = -delta;
    customizeBar_->SetVisible(false);
    expandButton_->ApplyAttribute(u"bkimage", u"icon_down.png");
  } else {
    customizeBar_->SetVisible(true);
    expandButton_->ApplyAttribute(u"bkimage", u"icon_up.png");
  }
  customizeExpanded_ = !customizeExpanded_;
  if (!IsNativeAlive()) return;
  ui::UiRect rect = Native()->GetScreenRect();
  rect.bottom += delta;
  // A window that grows past the bottom of its work area moves up.
  const ui::UiRect area = Native()->WorkArea();
  if (!area.IsEmpty() && rect.bottom > area.bottom && rect.top > area.top) {
    const int up = std::min(rect.bottom - area.bottom, rect.top - area.top);
    rect.Offset(0, -up);
  }
  Native()->Move(rect);
}

void CMainWindow::ChangeInstallFolder() {
  PickFolder(this, SpecialFolderPath(kFolderProgramFilesX86), MakeGuarded([this](const std::wstring& folder) {
               flow_->SetInstallDir(InstallDirForChosenFolder(folder));
             }));
}

bool CMainWindow::HandleClose(int) {
  // Gone from the screen at once; the last reports may still go out.
  Show(false, false);
  WaitForQueuedTasks(kHttpThreadId, kReportFlushMs);
  EndProcessNow(0);
}

void CMainWindow::OnCloseRequested() {
  // Alt+F4 and the window manager's close are the close button: the quit
  // question, a quiet quit or the product's start; nothing while a download
  // or the setup runs (the button is hidden then).
  flow_->QuitRequested();
}

void CMainWindow::EndOnQuit() {
  Show(false, false);
  // The flow goes first: its cancel flag ends the worker's download or setup
  // wait, whose results then find no flow to report to.
  flow_.reset();
  WaitForQueuedTasks(kMiscThreadId, kWorkerStopMs);
  WaitForQueuedTasks(kHttpThreadId, kReportFlushMs);
  EndProcessNow(0);
}

// ---- FlowView ----

void CMainWindow::SetVisible(const std::wstring& name, bool visible) {
  if (ui::Control* control = LocateControl(ToUiText(name))) control->SetVisible(visible);
}

void CMainWindow::SetText(const std::wstring& name, const std::wstring& text) {
  ui::Control* control = LocateControl(ToUiText(name));
  if (auto* label = dynamic_cast<ui::Label*>(control)) label->SetText(ToUiText(text));
  else if (auto* edit = dynamic_cast<ui::RichEdit*>(control)) edit->SetText(ToUiText(text));
}

void CMainWindow::SetProgressValue(int value) {
  if (auto* bar = FindControl<ui::Progress>(ToUiText(kProgressBar))) bar->SetValue(value);
}

void CMainWindow::CollapseCustomizeBar() {
  if (customizeExpanded_) ToggleCustomizeBar();
}

void CMainWindow::AskQuestion(const QuestionBox& box, MsgBoxCallback answer) {
  if (ShowMessageBox(this, box.content, answer, false, box.title, false, box.yes_text, false, box.no_text, false))
    return;
  // The themed box could not be built: the system's own box asks instead,
  // and when even that cannot be shown the flow takes the cautious way.
  const int choice = ui::NativeWindow::AskSystemQuestion(ToUiText(box.content), ToUiText(box.title),
                                                         ToUiText(box.yes_text), ToUiText(box.no_text),
                                                         IsNativeAlive() ? Native() : nullptr);
  const MsgBoxRet ret = choice == 0 ? kMsgBoxYes : choice == 1 ? kMsgBoxNo : choice == 2 ? kMsgBoxClosed
                                                                                       : kMsgBoxUnanswered;
  if (answer) nbase::ThreadRegistry::Get().Post(kUiThreadId, [answer, ret] { answer(ret); });
}

void CMainWindow::ShowErrorNote(const std::wstring& text, const std::wstring& title) {
  // Owned by the window: its click handlers cannot run again underneath.
  ui::NativeWindow::ShowErrorBox(ToUiText(text), ToUiText(title), IsNativeAlive() ? Native() : nullptr);
}

void CMainWindow::ShowNote(const std::wstring& text, const std::wstring& title) {
  // The text can be selected, so an address in it can be copied.
  if (MsgBox* box = ShowMessageBox(this, text, nullptr, false, title, false, L"OK", false, L"", false)) {
    box->MakeContentSelectable();
  }
}

void CMainWindow::BringToFront() { ui::WindowImplBase::BringToFront(); }

void CMainWindow::Close() { CloseWithResult(1); }
