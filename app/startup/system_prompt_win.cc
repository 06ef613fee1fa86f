#include "app/startup/system_prompt.h"

#include <windows.h>

namespace {

class MessageBoxPrompt : public SystemPrompt {
 public:
  PromptAnswer AskRetryOrCancel(const std::wstring& text, const std::wstring& caption) override {
    const int answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_RETRYCANCEL);
    return answer == IDRETRY ? PromptAnswer::kRetry : PromptAnswer::kCancel;
  }
};

}  // namespace

std::unique_ptr<SystemPrompt> CreateSystemPrompt() { return std::make_unique<MessageBoxPrompt>(); }
