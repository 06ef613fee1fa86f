#include "app/startup/app_start_report.h"

#include <string>

#include "report/event_report.h"
#include "ui/core/dpi_scale.h"

void SendAppStartReport() {
  ui::DpiScale& scale = ui::DpiScale::Get();
  ReportFields fields;
  fields["FirstStart"] = "true";
  fields["Dpi"] = std::to_string(scale.SystemDpi());
  fields["Scale"] = std::to_string(scale.IsAdapted() ? scale.CurrentScale() : 100);
  ReportEvent("AppStart", fields);
}
