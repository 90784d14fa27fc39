// The hosted Flash player as the skin's Flash control speaks to it: its
// class id, its interface and its event interface. No player exists for
// this platform; the interface declares the calls this system makes, in an
// order of its own, for a player made for it (and for the tests' stand-in).
#pragma once

#include "platform/com/ObjectInterfaces.h"

constexpr CLSID CLSID_ShockwaveFlash{0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr IID IID_IShockwaveFlash{0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr IID DIID_DShockwaveFlashEvents{0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The event the player raises when a movie calls its host: FSCommand
// (command, arguments), both texts.
constexpr DISPID DISPID_FSCOMMAND = 150;

struct IShockwaveFlash : IDispatch {
    // "TRANSPARENT" lets what lies under the movie show through.
    virtual HRESULT put_WMode(BSTR mode) = 0;
    virtual HRESULT LoadMovie(int layer, BSTR url) = 0;
    virtual HRESULT Stop() = 0;
    // 0x00RRGGBB.
    virtual HRESULT put_BackgroundColor(long color) = 0;
};
RIVO_INTERFACE_ID(IShockwaveFlash, IID_IShockwaveFlash);
