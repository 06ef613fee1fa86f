// ConsoleView: a FlowView that prints what a window would show, one line per
// change, and answers question boxes from a script. Lives on the UI thread.
//
// Lines (UTF-8, flushed at once):
//   show <name> / hide <name>
//   text <name> <text>
//   progress <bar value>
//   question <title>|<content>|<yes text>|<no text> -> yes|no
//   note <title>|<text>        (error notes and note boxes alike)
//   front / close
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/flow/flow_view.h"

class ConsoleView : public FlowView {
 public:
  // `answers` are used in turn; the last one repeats (kMsgBoxNo when empty).
  // `on_change` runs after every visibility change, `on_close` on Close().
  ConsoleView(FILE* out, std::vector<MsgBoxRet> answers);

  void set_on_visible(std::function<void(const std::wstring&, bool)> f) { on_visible_ = std::move(f); }
  void set_on_close(std::function<void()> f) { on_close_ = std::move(f); }

  void SetVisible(const std::wstring& name, bool visible) override;
  void SetText(const std::wstring& name, const std::wstring& text) override;
  void SetProgressValue(int value) override;
  void CollapseCustomizeBar() override;
  void AskQuestion(const QuestionBox& box, MsgBoxCallback answer) override;
  void ShowErrorNote(const std::wstring& text, const std::wstring& title) override;
  void ShowNote(const std::wstring& text, const std::wstring& title) override;
  void BringToFront() override;
  void Close() override;

 private:
  void Print(const std::string& line);

  FILE* out_;
  std::vector<MsgBoxRet> answers_;
  size_t next_answer_ = 0;
  int last_bar_ = -1;
  std::function<void(const std::wstring&, bool)> on_visible_;
  std::function<void()> on_close_;
};
