// MsgBox: the installer's own question box ("msgbox.xml"): a title, a text
// that sets the box's height (the width stays 340), and up to two buttons.
//
// It never blocks. ShowMessageBox returns at once; the owner ignores input
// while the box is up; the answer comes later as its own task on the UI
// thread, exactly once: kMsgBoxYes for "btn_yes", kMsgBoxNo for "btn_no",
// kMsgBoxClosed for the caption's close button, Escape, or any other way the
// box goes away (Alt+F4, the window manager, the owner closing). A box that
// cannot be created answers nothing: ShowMessageBox returns null and the
// caller chooses its fallback.
// The focus starts on "btn_yes" (on "btn_no" when there is no yes button);
// Tab moves it, Enter or Space press the focused button.
//
// The object belongs to its window and deletes itself after it is closed.
// UI thread only.
#pragma once

#include <functional>
#include <string>

#include "app/flow/msgbox_ret.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/rich_edit.h"
#include "ui/core/window_impl_base.h"

class MsgBox : public ui::WindowImplBase {
 public:
  MsgBox();

  // The box's texts and buttons (ShowMessageBox steps 2 to 7).
  void SetTexts(const std::wstring& title, const std::wstring& content, const std::wstring& yes_text,
                const std::wstring& no_text, MsgBoxCallback callback);
  // Closes the box with `answer` (delivered later).
  void EndBox(MsgBoxRet answer);
  // Turns the content into a one-line field the user can edit; the answer
  // then also goes to `on_text` with the field's text at that moment.
  void MakeContentEditable(std::function<void(MsgBoxRet, const std::wstring&)> on_text);
  // Lets the user select and copy the content (still read-only).
  void MakeContentSelectable();

  ui::RichEdit* content() const { return contentEdit_; }

 protected:
  ui::String ClassName() const override { return u"MsgBox"; }
  ui::String LayoutFolder() const override { return u"msgbox"; }
  ui::String LayoutFile() const override { return u"msgbox.xml"; }
  void OnLayoutBuilt() override;
  void OnNativeGone() override;
  bool HandleKeyPress(uint32_t virtual_key) override;

 private:
  bool OnClick(const ui::EventArgs& args);
  void Deliver(MsgBoxRet answer);
  // Fits the content's height to its text for the fixed width.
  void FitContentHeight();

  ui::Label* titleLabel_ = nullptr;
  ui::RichEdit* contentEdit_ = nullptr;
  ui::Button* yesButton_ = nullptr;
  ui::Button* noButton_ = nullptr;
  MsgBoxCallback callback_;
  std::function<void(MsgBoxRet, const std::wstring&)> on_text_;
  bool answered_ = false;
};

// Texts whose flag is true are string-table ids (looked up); the installer
// passes plain texts. Returns the box (null when it could not be created);
// the caller must not keep the pointer past the answer.
MsgBox* ShowMessageBox(ui::WindowImplBase* owner, const std::wstring& content, MsgBoxCallback callback,
                       bool contentIsId, const std::wstring& title, bool titleIsId, const std::wstring& yesText,
                       bool yesIsId, const std::wstring& noText, bool noIsId);
