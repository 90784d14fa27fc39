// The system's character class test for wide characters: which characters
// are letters. It answers from a fixed Unicode table (LetterTable.inc), never
// from the process locale, so that a text is read the same way everywhere.
#pragma once

#include "WinTypes.h"

// Nonzero when the character is a letter of any script: the Unicode letters,
// letter numbers and the marks that letters carry. Digits, punctuation,
// symbols, white space, surrogates and values beyond U+10FFFF are not.
BOOL IsCharAlphaW(WCHAR ch);
