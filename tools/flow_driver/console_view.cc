#include "tools/flow_driver/console_view.h"

#include <utility>

#include "app/startup/thread_ids.h"
#include "base/thread_registry.h"
#include "base/utf.h"

ConsoleView::ConsoleView(FILE* out, std::vector<MsgBoxRet> answers) : out_(out), answers_(std::move(answers)) {}

void ConsoleView::Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), out_);
  std::fflush(out_);
}

void ConsoleView::SetVisible(const std::wstring& name, bool visible) {
  Print((visible ? "show " : "hide ") + nbase::WideToUTF8(name));
  if (on_visible_) on_visible_(name, visible);
}

void ConsoleView::SetText(const std::wstring& name, const std::wstring& text) {
  Print("text " + nbase::WideToUTF8(name) + " " + nbase::WideToUTF8(text));
}

void ConsoleView::SetProgressValue(int value) {
  // The bar is set on every tick; print only the figures that change.
  if (value == last_bar_) return;
  last_bar_ = value;
  Print("progress " + std::to_string(value));
}

void ConsoleView::CollapseCustomizeBar() {}

void ConsoleView::AskQuestion(const QuestionBox& box, MsgBoxCallback answer) {
  MsgBoxRet choice = kMsgBoxNo;
  if (!answers_.empty()) {
    choice = answers_[next_answer_ < answers_.size() ? next_answer_ : answers_.size() - 1];
    ++next_answer_;
  }
  Print("question " + nbase::WideToUTF8(box.title) + "|" + nbase::WideToUTF8(box.content) + "|" +
        nbase::WideToUTF8(box.yes_text) + "|" + nbase::WideToUTF8(box.no_text) + " -> " +
        (choice == kMsgBoxYes ? "yes" : "no"));
  // Like the real box: the answer arrives later, as its own task.
  if (answer) nbase::ThreadRegistry::Get().Post(kUiThreadId, [answer, choice] { answer(choice); });
}

void ConsoleView::ShowErrorNote(const std::wstring& text, const std::wstring& title) {
  Print("note " + nbase::WideToUTF8(title) + "|" + nbase::WideToUTF8(text));
}

void ConsoleView::ShowNote(const std::wstring& text, const std::wstring& title) { ShowErrorNote(text, title); }

void ConsoleView::BringToFront() { Print("front"); }

void ConsoleView::Close() {
  Print("close");
  if (on_close_) on_close_();
}
