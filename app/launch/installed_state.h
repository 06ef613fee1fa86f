// Is the product installed, and how is it started?
//
// `HasRecordedInstall` asks whether an install recorded by this installer is
// still on disk; `IsProductInstalled` also accepts a product found in the
// system's uninstall list under either registry view (an install made by the
// full package). Any thread; registry failures read as "not installed".
#pragma once

#include <string>

#include "app/context/installer_context.h"
#include "app/setup/process_control.h"

bool HasRecordedInstall();
// `view` is 0 or kRegistryView64. True when an uninstall entry's "DisplayName"
// contains "LumaCast" (case-sensitive).
bool FindUninstallEntry(unsigned view);
bool IsProductInstalled();

// The product's start command: the executable, then "--install".
LaunchCommand ProductLaunchCommand(const std::wstring& install_dir);
