// CHalvaneAviSource: the AVI source of HSF.ax, a source of the AVI family
// with the option interface. Option 0 (as made) opens only a file whose
// index is whole: an "idx1" index or an OpenDML super index, and a movie
// list the file holds to its end. Option 1 (what the program sets before
// Load) also opens a file whose index is missing or cut off: the
// demultiplexer then finds the chunks by walking the movie list. Addresses
// are read as the library can, whatever the option.
#pragma once

#include <atomic>

#include "modules/api/SourceFilters.h"
#include "platform/dshow/filters/LavSource.h"

class CHalvaneAviSource : public CLavSource, public IAviSourceOption {
public:
    explicit CHalvaneAviSource(IUnknown* outer);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // E_INVALIDARG for anything but 0 and 1; VFW_E_WRONG_STATE once a file
    // is loaded.
    HRESULT SetOption(int option) override;
    // VFW_E_INVALID_FILE_FORMAT for a local AVI file without a whole index
    // while the option is 0; else as the generic source loads.
    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;

private:
    std::atomic<int> m_option{0};
};
