// The "AppStart" report: sent once at start-up, after the UI framework knows
// the screen's scale.
#pragma once

void SendAppStartReport();
