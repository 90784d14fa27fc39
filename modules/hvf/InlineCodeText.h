// A text subtitle entry, written with the providers' inline codes, as the
// text of an event of the subtitle renderer (UTF-8 with override tags):
//
//   "@@<" / "@@>"   {\b1} / {\b0}        "@@/" / "@@\"   {\i1} / {\i0}
//   "@@_" / "@@-"   {\u1} / {\u0}        "@@^rrggbb"     {\c&HBBGGRR&}
//   line feed       \N
//
// Everything else is literal text: a carriage return is dropped, and a
// brace or a backslash that the renderer would read as a tag or a break is
// written so that it shows as itself. A colour code without six hex digits
// after it is literal text too.
#pragma once

#include <string>
#include <string_view>

std::string InlineCodesToAss(std::wstring_view text);
