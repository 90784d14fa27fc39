// Subtitle formats the subtitle readers do not read directly are first
// converted to SAMI by an outside converter beside the program: RealText by
// "Quorlen", SubRip by "Sabrell". The converter gets the input path and the
// output path as its two arguments and ends with exit code 0 when it wrote
// the SAMI file.
#pragma once

// The path of the converted file ("rivotemp.smi" in the temporary folder),
// or null when the conversion failed: the converter is missing, ran longer
// than its time, ended with another exit code, or wrote nothing. The text
// stays valid until the next call of the same function. The previous
// converted file is deleted before a conversion starts.
const wchar_t* ConvertRtToSami(const wchar_t* inputPath);
const wchar_t* ConvertSrtToSami(const wchar_t* inputPath);
