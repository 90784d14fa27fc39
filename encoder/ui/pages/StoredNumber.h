// Settings the pages show as decimal numbers but keep as whole numbers of a
// smaller unit: tenths (outline width, shadow depth), hundredths (playback
// speed) or whole percents. The shown value is a float, which may lie just
// below the number it shows (0.7 is 0.69999...), so it is rounded to the
// nearest unit, never cut.
#pragma once

// shown × unitsPerOne, rounded to the nearest whole number.
int ToStoredNumber(float shown, int unitsPerOne);
// stored / unitsPerOne.
float ToShownNumber(int stored, int unitsPerOne);
