// The program's icon, drawn in code and registered as icon resource 128, the
// id the start-up hands to the message dialog.
#pragma once

#include <QImage>

#include "platform/win32/gui/UserTypes.h"

constexpr WORD kProgramIconId = 128;

// A 32 x 32 picture: a blue rounded square with a white play mark and a
// small orange arrow (a converter turning one file into another).
QImage DrawProgramIcon(int size = 32);
// Registers the picture under kProgramIconId for LoadIconW.
void RegisterProgramIcon();
