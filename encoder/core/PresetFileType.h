// The preset file type (*.rvp): registered by the command line "/regassoc"
// and removed by "/unregassoc", in the registry's classes tree and, mirrored,
// for the desktop.
#pragma once

// Registers the type "RivoEncoder.rvp" (description from the language file,
// the program's icon, an open command that passes the file to the program)
// and points ".rvp" at it, keeping a backup of a previous association.
void RegisterPresetFileType();
// Deletes the type's key and restores the backed-up association.
void UnregisterPresetFileType();
