// CFileStreamReader: the asynchronous reader filter over a CSrcFileStream,
// with one output pin of the media type it is given (MEDIATYPE_Stream and a
// subtype) and IFileSourceFilter, which names the file its creator copied
// in (of any length).
#pragma once

#include <string>

#include "encoder/pipeline/SrcFileStream.h"
#include "platform/dshow/AsyncReader.h"

class CFileStreamReader : public CAsyncReader, public IFileSourceFilter {
public:
    // The stream is not owned and must outlive the filter; result tells
    // whether the reader came together.
    CFileStreamReader(CSrcFileStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // Does nothing: the file is the stream's.
    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    // The name copied in (empty until then) in task memory, and the pin's
    // media type when asked.
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

    // The creator's copy of the source path.
    void SetCurFile(const wchar_t* fileName) { m_fileName = fileName ? fileName : L""; }

private:
    std::wstring m_fileName;
};
