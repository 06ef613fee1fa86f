// The result pages of the install flow: the three result steps and their texts.
#include "app/flow/install_flow_results.h"

#include "app/flow/install_flow.h"
#include "base/string_util.h"
#include "platform/app_info.h"
#include "report/event_report.h"
#include "platform/registry.h"

using namespace flow_controls;

std::wstring FailureReasonText(uint32_t code, const wchar_t* stage) {
  return nbase::StringPrintf(L"errcode:x%x", static_cast<unsigned>(code)) + stage;
}

uint32_t InstallFailureCode(int32_t exit_code, uint32_t error) {
  return error != 0 ? error : static_cast<uint32_t>(exit_code);
}

std::wstring PageNotOpenedNote(const std::wstring& url) {
  return L"The web page could not be opened. Please open this address in your browser:\n" + url;
}

std::wstring DownloadFailureMessage(const std::wstring& diagnostic) {
  return L"Download Faild :" + diagnostic;
}

std::wstring InstallFailureMessage(int32_t exit_code, uint32_t error, const DownloadStats& stats,
                                   bool file_vanished) {
  const unsigned magic = stats.mzMagic.load();
  const unsigned signature = stats.peSignature.load();
  if (file_vanished) {
    return nbase::StringPrintf(
        L"Install Faild ret = %d errCode:%d-%x-%x The file was deleted by anti-virus software", exit_code,
        static_cast<int>(error), magic, signature);
  }
  return nbase::StringPrintf(L"Install Faild ret = %d,errCode:%d-%x-%x fsize %d", exit_code,
                             static_cast<int>(error), magic, signature, stats.fileSize.load());
}

void InstallFlow::ShowInstallSucceeded() {
  view_->SetVisible(kInstallPage, false);
  view_->SetVisible(kInstalledPage, true);
  view_->SetVisible(kExitButton, true);
  // Written whatever the channel holds: after an upgrade install the upgrade
  // channel is the one in use.
  WriteRegistryString(kAppInfoKey, L"InstallerChannel", context_->channel);
  WriteRegistryString(kAppInfoKey, L"InstallerPath", context_->installDir);
  ReportEvent("InstallResultReport", {{"result", "success"}});
  view_->BringToFront();
}

void InstallFlow::ShowDownloadFailed(const std::wstring& message) {
  ShowFailurePage(FailureReasonText(static_cast<uint32_t>(context_->downloadResult), L"(download)"), message);
}

void InstallFlow::ShowInstallFailed(const std::wstring& message) {
  ShowFailurePage(
      FailureReasonText(InstallFailureCode(context_->setupExitCode, context_->setupError), L"(Intall)"), message);
}

void InstallFlow::ShowFailurePage(const std::wstring& reason, const std::wstring& message) {
  view_->SetVisible(kInstallPage, false);
  view_->SetVisible(kFailedPage, true);
  view_->SetVisible(kExitButton, true);
  view_->SetText(kFailureReason, reason);
  ReportEvent("InstallResultReport", {{"result", "faild"}, {"errorMsg", WideToSystemCodePage(message)}});
  view_->BringToFront();
}
