// A SystemPrompt that answers from a script and remembers what it was asked.
// An optional action runs before each answer (e.g. the "other copy" quitting).
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "app/startup/system_prompt.h"

class FakePrompt : public SystemPrompt {
 public:
  explicit FakePrompt(std::deque<PromptAnswer> answers) : answers_(std::move(answers)) {}

  PromptAnswer AskRetryOrCancel(const std::wstring& text, const std::wstring& caption) override {
    ++asked;
    last_text = text;
    last_caption = caption;
    if (before_answer) before_answer();
    if (answers_.empty()) return PromptAnswer::kCancel;
    const PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  int asked = 0;
  std::wstring last_text;
  std::wstring last_caption;
  std::function<void()> before_answer;

 private:
  std::deque<PromptAnswer> answers_;
};

// A lock name of this test process alone, so tests never meet a real
// installer or each other.
std::wstring UniqueInstanceName(const wchar_t* tag);
