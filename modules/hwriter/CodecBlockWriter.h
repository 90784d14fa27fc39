// CCodecBlockWriter: a writer whose codecs come from its format's codec
// block in the settings record (the AVI, MP4 and OGM writers), through the
// format interface's SetCodecSettings. The block is copied; a run without
// one fails with the encoder event.
#pragma once

#include <mutex>

#include "modules/hwriter/WriterFilter.h"

template <class FormatInterface, class Block>
class CCodecBlockWriter : public CWriterFilter, public UncalledPlaces<FormatInterface> {
public:
    using CWriterFilter::CWriterFilter;

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == uuidof<FormatInterface>()) return GetInterface(static_cast<FormatInterface*>(this), object);
        return CWriterFilter::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT SetCodecSettings(const Block* codec) override
    {
        if (!codec) return E_POINTER;
        std::lock_guard<std::mutex> g(m_blockLock);
        m_block = *codec;
        m_bBlockSet = true;
        return S_OK;
    }

protected:
    // The block as given; false when none was.
    bool CodecBlock(Block* block) const
    {
        std::lock_guard<std::mutex> g(m_blockLock);
        if (m_bBlockSet) *block = m_block;
        return m_bBlockSet;
    }

private:
    mutable std::mutex m_blockLock;
    Block m_block{};
    bool m_bBlockSet = false;
};
