#include "app/window/msg_box.h"

#include <utility>

#include "app/startup/thread_ids.h"
#include "app/window/ui_text.h"
#include "base/thread_registry.h"
#include "ui/control/box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/rich_edit.h"
#include "ui/core/resource_manager.h"

namespace {

ui::String TextOrId(const std::wstring& text, bool is_id) {
  return is_id ? ui::ResourceManager::Get().TextForId(ToUiText(text)) : ToUiText(text);
}

// The answer as its own task on the UI thread, never from inside a click.
void PostAnswer(const MsgBoxCallback& callback, MsgBoxRet answer) {
  if (!callback) return;
  nbase::ThreadRegistry::Get().Post(kUiThreadId, [callback, answer] { callback(answer); });
}

}  // namespace

MsgBox::MsgBox() = default;

void MsgBox::OnLayoutBuilt() {
  if (ui::Box* root = GetRoot() ? GetRoot()->AsBox() : nullptr)
    root->AddBubbledHandler(ui::kEventClick, MakeGuarded([this](const ui::EventArgs& args) { return OnClick(args); }));
  titleLabel_ = FindControl<ui::Label>(u"title");
  contentEdit_ = FindControl<ui::RichEdit>(u"content");
  yesButton_ = FindControl<ui::Button>(u"btn_yes");
  noButton_ = FindControl<ui::Button>(u"btn_no");
}

bool MsgBox::OnClick(const ui::EventArgs& args) {
  if (!args.sender) return true;
  const ui::String& name = args.sender->GetName();
  if (name == u"btn_yes") EndBox(kMsgBoxYes);
  else if (name == u"btn_no") EndBox(kMsgBoxNo);
  else if (name == u"closebtn") EndBox(kMsgBoxClosed);
  return true;
}

bool MsgBox::HandleKeyPress(uint32_t virtual_key) {
  if (virtual_key != ui::kVkEscape) return false;
  // Escape dismisses the box the way its close button does.
  EndBox(kMsgBoxClosed);
  return true;
}

void MsgBox::SetTexts(const std::wstring& title, const std::wstring& content, const std::wstring& yes_text,
                      const std::wstring& no_text, MsgBoxCallback callback) {
  if (titleLabel_) titleLabel_->SetText(ToUiText(title));
  // The title names the box for assistive technology and the task switcher.
  SetCaptionText(ToUiText(title));
  if (contentEdit_) {
    contentEdit_->SetText(ToUiText(content));
    FitContentHeight();
  }
  if (yesButton_) {
    yesButton_->SetText(ToUiText(yes_text));
    yesButton_->SetVisibleWithFade(!yes_text.empty());
  }
  if (noButton_) {
    noButton_->SetText(ToUiText(no_text));
    noButton_->SetVisibleWithFade(!no_text.empty());
  }
  if (!yes_text.empty() && yesButton_) FocusControl(yesButton_);
  else if (!no_text.empty() && noButton_) FocusControl(noButton_);
  callback_ = std::move(callback);
  // Take the height the text needs now, so the box is centred at its size.
  const ui::UiSize size = InitialClientSize();
  if (IsNativeAlive() && size.cx > 0 && size.cy > 0) {
    const ui::UiRect at = Native()->GetScreenRect();
    Native()->Move(ui::UiRect(at.left, at.top, at.left + size.cx, at.top + size.cy));
  }
}

void MsgBox::FitContentHeight() {
  int width = contentEdit_->FixedWidth();
  if (width < 0) width = 0;
  const int height = contentEdit_->NaturalHeight(width);
  if ((height >= 0 || height == ui::kSizeStretch || height == ui::kSizeAuto) && height != contentEdit_->FixedHeight()) {
    contentEdit_->SetFixedHeight(height, false);
    SetLayoutNeeded();
  }
}

void MsgBox::EndBox(MsgBoxRet answer) {
  if (answered_) return;
  CloseWithResult(0);
  Deliver(answer);
}

void MsgBox::Deliver(MsgBoxRet answer) {
  answered_ = true;
  PostAnswer(callback_, answer);
  callback_ = nullptr;
  if (on_text_) {
    auto on_text = std::move(on_text_);
    const std::wstring text = contentEdit_ ? FromUiText(contentEdit_->GetText()) : std::wstring();
    nbase::ThreadRegistry::Get().Post(kUiThreadId, [on_text, answer, text] { on_text(answer, text); });
  }
}

void MsgBox::MakeContentEditable(std::function<void(MsgBoxRet, const std::wstring&)> on_text) {
  on_text_ = std::move(on_text);
  if (!contentEdit_) return;
  contentEdit_->SetMultiLine(false);
  contentEdit_->SetReadOnly(false);
  contentEdit_->SetEnabled(true);
  contentEdit_->ApplyAttribute(u"bordersize", u"1");
  contentEdit_->ApplyAttribute(u"bordercolor", u"splitline");
  FitContentHeight();
}

void MsgBox::MakeContentSelectable() {
  if (!contentEdit_) return;
  contentEdit_->SetReadOnly(true);
  contentEdit_->SetEnabled(true);
}

void MsgBox::OnNativeGone() {
  // Closed some other way (Alt+F4, the window manager, its owner going): the
  // caller still gets its one answer. The owner was re-enabled by the base.
  if (!answered_) Deliver(kMsgBoxClosed);
  ui::WindowImplBase::OnNativeGone();
}

MsgBox* ShowMessageBox(ui::WindowImplBase* owner, const std::wstring& content, MsgBoxCallback callback,
                       bool contentIsId, const std::wstring& title, bool titleIsId, const std::wstring& yesText,
                       bool yesIsId, const std::wstring& noText, bool noIsId) {
  auto* box = new MsgBox;
  if (!box->CreateNative(owner, u"")) {
    // The caller decides what an unshown question means (see AskQuestion).
    delete box;
    return nullptr;
  }
  auto text = [](const std::wstring& t, bool is_id) { return FromUiText(TextOrId(t, is_id)); };
  box->SetTexts(text(title, titleIsId), text(content, contentIsId), text(yesText, yesIsId), text(noText, noIsId),
                std::move(callback));
  // Showing with an owner disables the owner until the box is gone.
  box->CenterOnOwner();
  box->Show(true, true);
  return box;
}
