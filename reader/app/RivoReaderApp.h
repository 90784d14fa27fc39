// The start of the RivoReader program: the command line decides between the
// window and the association switches.
#pragma once

#include "platform/win32/CString.h"

// The command line as one text: the arguments after the program name joined
// by single blanks, as the window takes it.
CString JoinCommandLine(int argc, char** argv);

enum class CommandSwitch { None, RegisterAssociations, UnregisterAssociations };

// "/regassoc" or "/unregassoc" in any letter case, as the whole command
// line; anything else (surrounding text included) is a path.
CommandSwitch ParseSwitch(const CString& commandLine);

// Runs the program for the command line: the main window, modally, until it
// closes. Returns the process exit status.
int RunRivoReader(const CString& commandLine);
