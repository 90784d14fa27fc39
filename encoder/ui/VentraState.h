// Status publication: the encoder tells the optional status module
// "Ventra.dll" of the program folder whether it is encoding, how far the
// current job is and when a progress window has gone. The main window loads
// the module once at its start; the progress window sets the values. Without
// the module (or its exports) nothing is published and nothing else
// changes. All calls come from the user-interface thread.
#pragma once

#include "modules/api/VentraApi.h"
#include "platform/win32/CString.h"

// The one record of the process.
VentraState& GetVentraState();

// Frees a module the record holds, clears the module, the entries and the
// three flags, then loads "Ventra.dll" from the folder and looks up
// "SetVentra" and "GetVentra"; when the module and "SetVentra" exist the
// record is published once (its zeros). 1 when both exports were found,
// else 0. A module that loads without the exports stays loaded.
int LoadVentra(VentraState& record, const CString& programFolder);

// Each stores its field of the process's record and publishes the record
// when a module with "SetVentra" is loaded. The flags are never reset: after
// the first batch, running and finished both stay 1.
void VentraSetRunning(int value);
void VentraSetPercent(int value);
void VentraSetFinished(int value);
