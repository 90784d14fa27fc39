// CGraphMain: the blocked filters handed to the connect search, and the
// source filter chosen for the job's SourceTypeCode: the maker's source
// module first, the system's Windows Media readers for ASF, the program's
// own file-stream source for the stream containers, else the system's own
// choice of source.
#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/pipeline/FileStreamReader.h"
#include "encoder/pipeline/GraphBuilder.h"
#include "encoder/pipeline/GraphMain.h"
#include "encoder/pipeline/SrcFileStream.h"
#include "modules/api/SourceFilters.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"

namespace {

// The byte-stream subtype of the maker's VGM2 files.
constexpr GUID kVgm2StreamSubtype{0x8F85C35B, 0xFFCC, 0x4B5A, {0xA0, 0xC8, 0xA8, 0x4D, 0x7D, 0x37, 0x9D, 0x54}};

constexpr const wchar_t* kWmAsfReaderName = L"WM ASF Reader";
constexpr const wchar_t* kWindowsMediaSourceName = L"Windows Media Source";
constexpr const wchar_t* kFileStreamName = L"Halvane File Stream";

ComPtr<IBaseFilter> CreateSystemFilter(const CLSID& clsid)
{
    ComPtr<IBaseFilter> filter;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                reinterpret_cast<void**>(filter.GetAddressOf()))))
        filter.Reset();
    return filter;
}

// IFileSourceFilter::Load of the path; a source without the interface
// counts as one that cannot load it.
HRESULT LoadSource(IBaseFilter* source, const CString& path)
{
    ComPtr<IFileSourceFilter> load;
    if (FAILED(source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(load.GetAddressOf()))) || !load)
        return E_NOINTERFACE;
    return load->Load(path, nullptr);
}

// The subtype a file stream offers for the type code; false for the codes
// that do not go to the file stream.
bool FileStreamSubtype(SourceTypeCode type, const CSrcFileStream& stream, GUID* subtype)
{
    switch (type) {
    case kSourceAvi: *subtype = MEDIASUBTYPE_Avi; return true;
    case kSourceMpegProgram: *subtype = stream.Subtype(); return true;
    case kSourceMpegTransport: *subtype = MEDIASUBTYPE_MPEG2_TRANSPORT; return true;
    case kSourceOgg: *subtype = MEDIASUBTYPE_OggStream; return true;
    case kSourceRealMedia: *subtype = MEDIASUBTYPE_RealMediaStream; return true;
    case kSourceMatroska: *subtype = MEDIASUBTYPE_MatroskaStream; return true;
    case kSourceVgm2: *subtype = kVgm2StreamSubtype; return true;
    default: return false;
    }
}

bool GoesToFileStream(SourceTypeCode type)
{
    switch (type) {
    case kSourceAvi:
    case kSourceMpegProgram:
    case kSourceMpegTransport:
    case kSourceOgg:
    case kSourceRealMedia:
    case kSourceMatroska:
    case kSourceVgm2: return true;
    default: return false;
    }
}

}  // namespace

void CGraphMain::FeedBlockedFilters(CGraphBuilder& builder)
{
    if (!m_pSettings) return;
    const CBlockFilterList& blocked = m_pSettings->BlockFilters;
    for (POSITION p = blocked.GetHeadPosition(); p;)
        builder.AddOverrideFilter(new CGraphRegFilter(blocked.GetNext(p), kBlockedMerit));
}

HRESULT CGraphMain::SelectSource(CGraphBuilder& builder, const CString& path)
{
    builder.ResetDeadEnds();
    if (!m_pGraph) return E_UNEXPECTED;
    const SourceTypeCode type = m_nSourceType;

    if (type == kSourceAsf || type == kSourceAsfNoIndex || type == kSourceAsfStream) {
        ReleaseSourceSlot(kSlotAsf);
        const wchar_t* name = kAsfSourceName;
        ComPtr<IBaseFilter> source = CreateFilterFromModule(kSourceModuleFile, CLSID_HalvaneAsfSource, false);
        if (!source) {
            name = kWmAsfReaderName;
            source = CreateSystemFilter(CLSID_WMAsfReader);
        }
        if (!source) {
            name = kWindowsMediaSourceName;
            source = CreateSystemFilter(CLSID_NetShowSource);
        }
        while (source) {
            m_pSources[kSlotAsf] = source;
            HRESULT hr = LoadSource(source.Get(), path);
            if (FAILED(hr)) return hr;
            hr = m_pGraph->AddFilter(source.Get(), name);
            if (SUCCEEDED(hr)) return builder.RenderFilter(source.Get());
            if (name != kWmAsfReaderName) return hr;
            ReleaseSourceSlot(kSlotAsf);
            name = kWindowsMediaSourceName;
            source = CreateSystemFilter(CLSID_NetShowSource);
            if (!source) return hr;
        }
        return builder.RenderFile(path);
    }

    if (type == kSourceAviBadIndex || type == kSourceAviHttp) {
        ReleaseSourceSlot(kSlotAvi);
        ComPtr<IBaseFilter> source = CreateFilterFromModule(kSourceModuleFile, CLSID_HalvaneAviSource, false);
        if (!source) return builder.RenderFile(path);
        m_pSources[kSlotAvi] = source;
        ComPtr<IAviSourceOption> option;
        if (FAILED(source.As(&option)) || !option) return E_NOINTERFACE;
        option->SetOption(1);
        HRESULT hr = LoadSource(source.Get(), path);
        if (FAILED(hr)) return hr;
        m_pGraph->AddFilter(source.Get(), kAviSourceName);
        return builder.RenderFilter(source.Get());
    }

    struct SModuleSource {
        SourceTypeCode type;
        int slot;
        const CLSID* clsid;
        const wchar_t* name;
    };
    static const SModuleSource kModuleSources[] = {
        {kSourceOgg, kSlotOgg, &CLSID_HalvaneOggSource, kOggSourceName},
        {kSourceMpegTransport, kSlotMpeg, &CLSID_HalvaneMpegSource, kMpegSourceName},
        {kSourceMatroska, kSlotMatroska, &CLSID_HalvaneMatroskaSource, kMatroskaSourceName},
        {kSourceMp4, kSlotMp4, &CLSID_HalvaneMp4Source, kMp4SourceName},
        {kSourceFlv, kSlotFlv, &CLSID_HalvaneFlvSource, kFlvSourceName},
    };
    for (const SModuleSource& m : kModuleSources) {
        if (m.type != type) continue;
        HRESULT hr = S_OK;
        if (LoadAndRender(builder, m.slot, *m.clsid, m.name, path, &hr)) return hr;
        break;  // the module has no such source: the next rule
    }

    if (GoesToFileStream(type)) return RenderFileStream(builder, type, path);
    return builder.RenderFile(path);
}

bool CGraphMain::LoadAndRender(CGraphBuilder& builder, int slot, const CLSID& clsid, const wchar_t* name,
                               const CString& path, HRESULT* result)
{
    ReleaseSourceSlot(slot);
    ComPtr<IBaseFilter> source = CreateFilterFromModule(kSourceModuleFile, clsid, false);
    if (!source) return false;
    m_pSources[slot] = source;
    HRESULT hr = LoadSource(source.Get(), path);
    if (FAILED(hr)) {
        // The module's MP4 source is not the only reader of MP4 files.
        *result = slot == kSlotMp4 ? builder.RenderFile(path) : hr;
        return true;
    }
    m_pGraph->AddFilter(source.Get(), name);
    *result = builder.RenderFilter(source.Get());
    return true;
}

void CGraphMain::ReleaseFileStream()
{
    // Nothing may read the stream once it is gone: the reader leaves the
    // graph and is released before the stream is deleted.
    if (m_pFileReader) {
        if (m_pGraph) m_pGraph->RemoveFilter(m_pFileReader.Get());
        m_pFileReader.Reset();
    }
    m_pFileStream.reset();
}

HRESULT CGraphMain::RenderFileStream(CGraphBuilder& builder, SourceTypeCode type, const CString& path)
{
    ReleaseFileStream();
    auto stream = std::make_unique<CSrcFileStream>();
    if (FAILED(stream->OpenFile(path))) return E_FAIL;
    GUID subtype{};
    FileStreamSubtype(type, *stream, &subtype);
    CMediaType mediaType(MEDIATYPE_Stream);
    mediaType.SetSubtype(subtype);
    HRESULT hr = E_FAIL;
    auto* reader = new CFileStreamReader(stream.get(), &mediaType, &hr);
    if (FAILED(hr)) {
        delete reader;  // never referenced
        return E_FAIL;
    }
    ComPtr<IBaseFilter> filter;
    if (FAILED(reader->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf())))) {
        delete reader;
        return E_FAIL;
    }
    reader->SetCurFile(path);
    m_pFileStream = std::move(stream);
    m_pFileReader = filter;
    if (FAILED(m_pGraph->AddFilter(filter.Get(), kFileStreamName))) {
        filter.Reset();
        ReleaseFileStream();
        return E_FAIL;
    }
    return builder.RenderFilter(filter.Get());
}
