// Filters from the modules of the program folder the build made (the
// folder RIVO_BIN_DIR names), as the program makes them: the module's
// DllGetClassObject and class factory. A module stays loaded for the rest
// of the test program once one of its filters was asked for.
#pragma once

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/dshow/GraphInterfaces.h"

// The path of a file in the program folder.
std::string ProgramFile(const std::string& name);
// A new filter of the class from the module (fails the test and gives null
// when there is none).
ComPtr<IBaseFilter> FilterFromProgramModule(const std::string& module, REFCLSID clsid);
