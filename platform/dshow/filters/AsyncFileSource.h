// CAsyncFileSource: the system's asynchronous file source
// (CLSID_AsyncReader). IFileSourceFilter::Load opens a local file; its one
// output pin offers the bytes through IAsyncReader as MEDIATYPE_Stream with
// the subtype the registered check bytes give (the type handed to Load
// when it names a subtype, GUID_NULL when nothing matches), so that the
// connect search finds the splitter for the container.
#pragma once

#include <string>

#include "platform/dshow/AsyncReader.h"
#include "platform/dshow/filters/FileAsyncStream.h"

// Holds the stream so that it exists before the reader base is built and
// outlives it.
struct CAsyncFileSourceStream {
    CFileAsyncStream stream;
};

class CAsyncFileSource final : private CAsyncFileSourceStream, public CAsyncReader, public IFileSourceFilter {
public:
    explicit CAsyncFileSource(IUnknown* outer);
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // E_UNEXPECTED while the pin is connected; the open's failure as a
    // Win32 code.
    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    // E_FAIL before a file was loaded.
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

private:
    std::wstring file_;
};
