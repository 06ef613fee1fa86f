// CMainWindow: the installer's main window ("basic.xml") and the real view
// of the install flow.
//
// It shows one of four pages (welcome, installing, installed, failed) and, on
// the welcome page, a fold-out customize bar with the install folder. The
// flow (InstallFlow) decides every page change, text and question; the window
// only carries them out (FlowView) and keeps what is its own: binding the
// layout's controls, the agreement check box, the customize bar, the folder
// picker and the click dispatch.
//
// Closing: the window hides, the reports already queued get up to two seconds
// to go out, then the process ends with exit code 0. Alt+F4 and the window
// manager's close take the close button's way (the flow's QuitRequested). A
// quit from outside (EndOnQuit) hides the window, cancels the flow, lets the
// worker and the queued reports end (bounded), then ends the process.
//
// Created on the heap on the UI thread; belongs to its native window (the
// process ends with it). UI thread only.
#pragma once

#include <memory>
#include <string>

#include "app/context/installer_context.h"
#include "app/flow/flow_view.h"
#include "app/flow/install_flow.h"
#include "ui/control/button.h"
#include "ui/core/window_impl_base.h"

class CMainWindow : public ui::WindowImplBase, public FlowView {
 public:
  // Height of the customize bar at 100 %.
  static constexpr int kCustomizeBarHeight = 48;

  // The installer context of this system and the build's addresses.
  CMainWindow();
  CMainWindow(std::unique_ptr<InstallerContext> context, FlowOptions options);
  ~CMainWindow() override;

  // Opens or closes the customize bar; the window grows or shrinks by the
  // bar's scaled height (scaled like every layout number).
  void ToggleCustomizeBar();
  bool customize_expanded() const { return customizeExpanded_; }

  // Every button of the window reports its clicks here; dispatched by the
  // sender's name. Always handled.
  bool HandleButtonClick(const ui::EventArgs& args);

  InstallFlow* flow() const { return flow_.get(); }

  // The program is asked to quit from outside (SIGTERM or SIGINT, a WM_QUIT
  // posted to the UI thread, the X display lost), whatever the page: hide at
  // once, cancel the flow, give the worker up to 1.5 s and the queued reports
  // up to 2 s, end the process with 0. Does not return.
  [[noreturn]] void EndOnQuit();

  // FlowView.
  void SetVisible(const std::wstring& name, bool visible) override;
  void SetText(const std::wstring& name, const std::wstring& text) override;
  void SetProgressValue(int value) override;
  void CollapseCustomizeBar() override;
  void AskQuestion(const QuestionBox& box, MsgBoxCallback answer) override;
  void ShowErrorNote(const std::wstring& text, const std::wstring& title) override;
  void ShowNote(const std::wstring& text, const std::wstring& title) override;
  void BringToFront() override;
  void Close() override;

 protected:
  ui::String ClassName() const override { return u"MainWindow"; }
  ui::String LayoutFolder() const override { return u"basic"; }
  ui::String LayoutFile() const override { return u"basic.xml"; }
  void OnLayoutBuilt() override { BindControls(); }
  bool HandleClose(int result) override;
  void OnCloseRequested() override;

 private:
  void BindControls();
  void ChangeInstallFolder();

  std::unique_ptr<InstallerContext> context_;
  std::unique_ptr<InstallFlow> flow_;
  bool customizeExpanded_ = false;

  ui::Control* customizeBar_ = nullptr;
  ui::Button* expandButton_ = nullptr;
  ui::Button* startInstallButton_ = nullptr;
  ui::Button* exitButton_ = nullptr;
  ui::Button* retryButton_ = nullptr;
};
