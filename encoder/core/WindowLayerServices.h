// The core's services over the window layer: its message boxes through the
// program's message dialog, dialog texts set on real windows, the stock GUI
// font's face for the default subtitle font, and the main dialog's window
// class. The program installs them on its UI thread, with its Qt
// application made, before start-up; tests of the core keep their own.
#pragma once

// Registers "RivoEnc1.x", the main dialog's class: the dialog manager's
// procedure and its 30 extra window bytes, icon 128, the arrow cursor and
// the window colour. The result is not looked at.
void RegisterDialogClass();
// Installs the three services and registers the main dialog's class.
void InstallWindowLayerServices();
