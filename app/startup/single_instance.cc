#include "app/startup/single_instance.h"

#include "app/startup/system_prompt.h"
#include "base/string_util.h"

std::wstring SingleInstancePromptText() {
  return nbase::StringPrintf(
      L"%ls setup is running, please close it and click \"Try Again\" to proceed or select "
      L"\"Cancel\" to exit the installation.",
      L"LumaCast");
}

std::unique_ptr<InstanceLock> AcquireSingleInstance(const std::wstring& name, SystemPrompt* prompt) {
  for (;;) {
    if (std::unique_ptr<InstanceLock> lock = InstanceLock::TryAcquire(name)) return lock;
    if (prompt->AskRetryOrCancel(SingleInstancePromptText(), kSingleInstanceCaption) !=
        PromptAnswer::kRetry)
      return nullptr;
  }
}
