// Where a hosted browser or Flash control finds its page or movie: the
// on-line address, or the off-line one when the computer is off line and
// the skin gives one; an address beginning with "./" names a file of the
// skin, taken from the skin's folder (a packed skin is unpacked first).
// Such a name must stay inside that folder: one that climbs out of it
// ("./../x") or names an absolute path is refused and loads nothing.
#pragma once

#include "platform/win32/CString.h"

class SkinOwner;

class HostedAddress {
public:
    // URL on line; OffURL off line unless it is empty.
    static CString Choose(const CString& url, const CString& offUrl);
    // The address with a "./" name made a path of the skin's folder; an
    // empty text when the name leaves the folder or the skin has no source.
    // Other addresses are returned as they are.
    static CString Resolve(SkinOwner* owner, const CString& address);
    // The on-line test in use.
    static bool IsOnline();
    // Replaces the on-line test (tests); null restores the system's.
    static void SetOnlineTest(bool (*test)());
};
