// Helpers of the script tests: outcomes of runs and parses written as short
// texts, so that tables of programs compare them at a glance.
#pragma once

#include <string>

#include "skin/script/HXScript.h"

// A value as "i:5", "d:3.5", "s:text", "v" (void) or "u" (undefined).
std::string Describe(const HXSVal& value);

// Runs the text on the host: the value as Describe writes it, or
// "E<code>@<line>:<column>" for a failed run. The out value starts as the
// string "untouched", so a run that yields nothing shows "s:untouched".
std::string RunOutcome(HXScript& host, const std::wstring& text);
// The same on a fresh host with the test natives of RegisterTestNatives.
std::string RunFresh(const std::wstring& text);

// Natives for the machine's calling rules: "ints" (Iii, the sum), "dbl" (Ddd,
// the product), "cat" (Sss, the concatenation; with "nul" second, a text
// "a", NUL, "b"), "nothing" (V), "bad"
// (signature "Xi": an unknown return letter), "oddletter" (Vx: a parameter
// letter that no value has), "count" (I, how often any of them ran).
void RegisterTestNatives(HXScript& host);
int TestNativeCalls();

// The tree of a parsed text in a compact prefix form, or the error as
// "E<code>@<line>:<column>" (lexer or parser).
std::string ParseOutcome(const std::wstring& text, bool exhaustive = false);
std::string DumpTree(const SStmt* first);
