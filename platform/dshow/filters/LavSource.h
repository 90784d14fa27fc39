// CLavSource: the generic source. IFileSourceFilter::Load opens a local
// file or a network address by name with the demultiplexing library's own
// I/O and gives one output pin per video and audio stream. The graph's
// AddSourceFilter reaches it for the file types and protocols whose
// registration names it; the source selection creates it directly under
// the class ids of the system's two ASF readers as well.
//
// A source of one container family (the filter modules' sources) names the
// family's demultiplexers: a file is then read only by one of them, never by
// whatever else the library would take it for.
#pragma once

#include <string>
#include <vector>

#include "platform/dshow/filters/LavDemuxFilter.h"

class CLavSource : public CLavDemuxFilter, public IFileSourceFilter {
public:
    CLavSource(IUnknown* outer, const CLSID& clsid, const wchar_t* name);
    // family: the library's names of the demultiplexers that may read the
    // file. One the library recognises the file as is taken; otherwise each
    // is made to read it in turn, and the first that finds a stream wins.
    CLavSource(IUnknown* outer, const CLSID& clsid, const wchar_t* name, std::vector<std::string> family);

    template <const CLSID& Clsid>
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    int GetPinCount() override { return OutputCount(); }
    CBasePin* GetPin(int n) override { return Output(n); }

    // E_UNEXPECTED when a source is open already; HRESULT of the Win32 code
    // for a file that cannot be opened; VFW_E_UNKNOWN_FILE_TYPE for bytes
    // or an address the library cannot read.
    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

protected:
    // Forgets the file: a later GetCurFile names none (filter lock held).
    void ForgetFile() { file_.clear(); }

private:
    // Opens the container and its streams with the family's demultiplexers
    // (any, for the generic source); an AVERROR when none reads it.
    int OpenFamily(const std::string& url, const AVDictionary* options);
    int OpenWith(const std::string& url, const AVInputFormat* format, const AVDictionary* options,
                 AVFormatContext** opened);
    bool InFamily(const AVInputFormat* format) const;

    std::vector<std::string> family_;
    std::wstring file_;
};

// The name a class id of the source is known by.
const wchar_t* MediaSourceName(const CLSID& clsid);

template <const CLSID& Clsid>
HRESULT CLavSource::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CLavSource>(outer, riid, object, Clsid, MediaSourceName(Clsid));
}
