// The system's own question box, used before the installer's UI exists (the
// single-instance prompt). Shown on the UI thread; it blocks until answered.
//
// Windows: MessageBoxW with "Retry" and "Cancel". Linux: a small X11 dialog
// with "Try Again" and "Cancel" when a display can be opened; without one the
// text goes to standard error and the answer is Cancel, so an unattended run
// never waits. Tests substitute their own implementation.
#pragma once

#include <memory>
#include <string>

enum class PromptAnswer {
  kRetry,   // "Try Again"
  kCancel,  // "Cancel", closing the box, or no way to ask
};

class SystemPrompt {
 public:
  virtual ~SystemPrompt() = default;
  virtual PromptAnswer AskRetryOrCancel(const std::wstring& text, const std::wstring& caption) = 0;
};

// The platform's prompt (system_prompt_win.cc / system_prompt_linux.cc).
std::unique_ptr<SystemPrompt> CreateSystemPrompt();
