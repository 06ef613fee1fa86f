#include "app/startup/system_prompt.h"

#include <cstdio>

#include "base/utf.h"
#include "ui/core/plain_dialog_x11.h"

namespace {

class LinuxPrompt : public SystemPrompt {
 public:
  PromptAnswer AskRetryOrCancel(const std::wstring& text, const std::wstring& caption) override {
    const std::string text_utf8 = nbase::WideToUTF8(text);
    const std::string caption_utf8 = nbase::WideToUTF8(caption);
    switch (ui::ShowPlainDialog(text_utf8, caption_utf8, {"Try Again", "Cancel"}, 1)) {
      case 0:
        return PromptAnswer::kRetry;
      case 1:
        return PromptAnswer::kCancel;
      default:
        break;
    }
    std::fprintf(stderr, "%s: %s\n", caption_utf8.c_str(), text_utf8.c_str());
    return PromptAnswer::kCancel;
  }
};

}  // namespace

std::unique_ptr<SystemPrompt> CreateSystemPrompt() { return std::make_unique<LinuxPrompt>(); }
