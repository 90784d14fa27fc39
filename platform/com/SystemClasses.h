// The classes that the system itself serves to every program that has
// initialised the component runtime, without registration: the
// multi-language service. CoGetClassObject asks here after the factories
// and modules registered in the process.
#pragma once

#include "platform/com/Unknown.h"

// The class's factory (not counted: it lives as long as the process); null
// for any other class.
IClassFactory* FindSystemClassFactory(REFCLSID clsid);
