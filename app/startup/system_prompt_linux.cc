#include "app/startup/system_prompt.h"

#include <cstdio>

#include "app/startup/system_prompt_x11.h"
#include "base/utf.h"

namespace {

class LinuxPrompt : public SystemPrompt {
 public:
  PromptAnswer AskRetryOrCancel(const std::wstring& text, const std::wstring& caption) override {
    const std::string text_utf8 = nbase::WideToUTF8(text);
    const std::string caption_utf8 = nbase::WideToUTF8(caption);
    switch (ShowX11RetryDialog(text_utf8, caption_utf8)) {
      case X11DialogResult::kRetry:
        return PromptAnswer::kRetry;
      case X11DialogResult::kCancel:
        return PromptAnswer::kCancel;
      case X11DialogResult::kNoDisplay:
        break;
    }
    std::fprintf(stderr, "%s: %s\n", caption_utf8.c_str(), text_utf8.c_str());
    return PromptAnswer::kCancel;
  }
};

}  // namespace

std::unique_ptr<SystemPrompt> CreateSystemPrompt() { return std::make_unique<LinuxPrompt>(); }
