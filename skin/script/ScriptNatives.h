// The native functions that a skin window offers its scripts: commands,
// control texts, colours, visibility and images, message boxes, browser
// navigation, the home page and number conversion.
#pragma once

#include "HXScript.h"
#include "IScriptWindow.h"

// Registers every native on the host, under its name and its short name:
// SendCommand (SCMD), GetControlText (GCT), SetControlText (SCT),
// SetControlTextColor (SCTC), MessageBox (MB), MessageBoxNum (MBN),
// ShowControl (SC), GetControlShow, RefreshAll (RA), SetImageNum (SETIN) and
// Navigate with the window as their object; OpenHomepage, atoi and itoa
// without one. True when every registration succeeded.
bool RegisterScriptNatives(HXScript& script, IScriptWindow* window);
