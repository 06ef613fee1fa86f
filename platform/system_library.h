// System DLL loading that cannot be hijacked by a planted file.
//
// The installer runs elevated from a Downloads folder, where anyone may have
// dropped a "version.dll" or "wintrust.dll" beside it. Only the handful of DLLs
// Windows keeps as known DLLs are linked normally; every other system DLL is
// loaded through here (directly, or by the delay-load hook this file installs)
// and always from the system folder.
//
// Any thread. On Linux both functions do nothing (there is no such search
// order to harden) and LoadSystemLibrary returns nullptr.
#pragma once

// Restricts the process's DLL search to the system folder when the system
// offers SetDefaultDllDirectories (Windows 8, or 7 with KB2533623). Call it as
// the first statement of the entry point.
void HardenDllSearchPath();

// Loads `name` (a bare file name such as L"wintrust.dll") from the system
// folder only; returns the module handle, or nullptr when it is not there.
void* LoadSystemLibrary(const wchar_t* name);
