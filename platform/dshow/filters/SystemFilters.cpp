#include "platform/dshow/filters/SystemFilters.h"

#include <mutex>

#include "platform/com/ComRuntime.h"
#include "platform/com/UnknownImpl.h"
#include "platform/dshow/MediaRuntime.h"
#include "platform/dshow/filters/AsyncFileSource.h"
#include "platform/dshow/filters/AudioDecoder.h"
#include "platform/dshow/filters/AudioRenderer.h"
#include "platform/dshow/filters/CodecTable.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/LavHeaders.h"
#include "platform/dshow/filters/LavSource.h"
#include "platform/dshow/filters/LavSplitter.h"
#include "platform/dshow/filters/NullRenderer.h"
#include "platform/dshow/filters/UncompressedTypes.h"
#include "platform/dshow/filters/VideoDecoder.h"
#include "platform/dshow/filters/VideoRenderer.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"

namespace {

// Flash video has no published byte-stream subtype.
constexpr GUID MEDIASUBTYPE_FlvStream{0x0FADCCAA, 0xF382, 0x4DE5, {0x86, 0xF5, 0x17, 0xD6, 0x86, 0x3B, 0xEA, 0x8B}};

// The protocols whose addresses the generic source opens.
const wchar_t* const kProtocols[] = {L"http", L"https", L"mms", L"mmsh", L"mmst", L"rtsp", L"rtmp"};

using TypeList = std::vector<std::pair<GUID, GUID>>;

FilterPinRegistration Pin(DWORD flags, TypeList types)
{
    FilterPinRegistration pin;
    pin.flags = flags;
    pin.types = std::move(types);
    return pin;
}

ShippedFilter Filter(const CLSID& clsid, const wchar_t* name, DWORD merit, std::vector<FilterPinRegistration> pins)
{
    ShippedFilter f;
    f.clsid = clsid;
    f.name = name;
    f.registration.merit = merit;
    f.registration.pins = std::move(pins);
    return f;
}

TypeList Pairs(const GUID& major, const std::vector<GUID>& subtypes)
{
    TypeList out;
    for (const GUID& s : subtypes) out.emplace_back(major, s);
    return out;
}

std::vector<ShippedFilter> MakeRegistrations()
{
    const TypeList streams{{MEDIATYPE_Video, GUID_NULL}, {MEDIATYPE_Audio, GUID_NULL}};
    std::vector<ShippedFilter> out;
    out.push_back(Filter(CLSID_AsyncReader, L"File Source (Async.)", MERIT_UNLIKELY,
                         {Pin(REG_PINFLAG_B_OUTPUT, {{MEDIATYPE_Stream, GUID_NULL}})}));
    out.push_back(Filter(CLSID_MediaSource, MediaSourceName(CLSID_MediaSource), MERIT_UNLIKELY,
                         {Pin(REG_PINFLAG_B_OUTPUT | REG_PINFLAG_B_MANY, streams)}));
    for (const SplitterKind& kind : SplitterKinds()) {
        TypeList inputs;
        for (const auto& in : kind.inputs) inputs.emplace_back(MEDIATYPE_Stream, *in.subtype);
        if (inputs.empty()) inputs.emplace_back(MEDIATYPE_Stream, GUID_NULL);
        out.push_back(Filter(*kind.clsid, kind.name, kind.inputs.empty() ? MERIT_UNLIKELY : MERIT_NORMAL,
                             {Pin(0, inputs), Pin(REG_PINFLAG_B_OUTPUT | REG_PINFLAG_B_MANY, streams)}));
    }
    const CodecTable& table = CodecTable::Instance();
    out.push_back(Filter(
        CLSID_VideoDecoder, L"Video Decoder", MERIT_NORMAL,
        {Pin(0, table.Pairs(MEDIATYPE_Video)),
         Pin(REG_PINFLAG_B_OUTPUT, {{MEDIATYPE_Video, MEDIASUBTYPE_I420}, {MEDIATYPE_Video, MEDIASUBTYPE_RGB32}})}));
    out.push_back(Filter(CLSID_AudioDecoder, L"Audio Decoder", MERIT_NORMAL,
                         {Pin(0, table.Pairs(MEDIATYPE_Audio)),
                          Pin(REG_PINFLAG_B_OUTPUT, Pairs(MEDIATYPE_Audio, UncompressedAudioSubtypes()))}));
    out.push_back(Filter(CLSID_VideoRenderer, L"Video Renderer", MERIT_NORMAL,
                         {Pin(REG_PINFLAG_B_RENDERER, Pairs(MEDIATYPE_Video, UncompressedVideoSubtypes()))}));
    out.push_back(Filter(CLSID_DSoundRender, L"Audio Renderer", MERIT_NORMAL,
                         {Pin(REG_PINFLAG_B_RENDERER, Pairs(MEDIATYPE_Audio, UncompressedAudioSubtypes()))}));
    TypeList plain = Pairs(MEDIATYPE_Video, UncompressedVideoSubtypes());
    for (const auto& p : Pairs(MEDIATYPE_Audio, UncompressedAudioSubtypes())) plain.push_back(p);
    out.push_back(Filter(CLSID_NullRenderer, L"Null Renderer", MERIT_DO_NOT_USE, {Pin(REG_PINFLAG_B_RENDERER, plain)}));
    return out;
}

std::vector<ShippedFileType> MakeFileTypes()
{
    return {
        {MEDIATYPE_Stream, MEDIASUBTYPE_OggStream, {L"0,4,,4F676753"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_MatroskaStream, {L"0,4,,1A45DFA3"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_RealMediaStream, {L"0,4,,2E524D46"}, CLSID_AsyncReader},
        // Boxes an MP4 or QuickTime file may begin with.
        {MEDIATYPE_Stream,
         MEDIASUBTYPE_QTMovie,
         {L"4,4,,66747970", L"4,4,,6D6F6F76", L"4,4,,6D646174", L"4,4,,77696465", L"4,4,,66726565", L"4,4,,736B6970"},
         CLSID_MediaSource},
        {MEDIATYPE_Stream, MEDIASUBTYPE_FlvStream, {L"0,3,,464C56"}, CLSID_MediaSource},
        {MEDIATYPE_Stream, MEDIASUBTYPE_Asf, {L"0,16,,3026B2758E66CF11A6D900AA0062CE6C"}, CLSID_MediaSource},
    };
}

void InstallRegistrations()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto& t : SystemFileTypes()) AddShippedFileType(t);
        for (const auto& f : SystemFilterRegistrations()) AddShippedFilter(f);
        std::string source = WideToUtf16LeBytes(GuidToString(CLSID_MediaSource)) + std::string(2, '\0');
        for (const wchar_t* protocol : kProtocols)
            RegistryStore::Instance().AddShippedValue(RegRoot::ClassesRoot, RegPath{protocol}, L"Source Filter", REG_SZ,
                                                      source);
    });
}

}  // namespace

const std::vector<ShippedFilter>& SystemFilterRegistrations()
{
    static const std::vector<ShippedFilter> registrations = MakeRegistrations();
    return registrations;
}

const std::vector<ShippedFileType>& SystemFileTypes()
{
    static const std::vector<ShippedFileType> types = MakeFileTypes();
    return types;
}

HRESULT RegisterSystemFilters()
{
    HRESULT hr = RegisterMediaRuntime();
    if (FAILED(hr)) return hr;
    static CClassFactory asyncReader(&CAsyncFileSource::CreateInstance);
    static CClassFactory mediaSource(&CLavSource::CreateInstance<CLSID_MediaSource>);
    static CClassFactory asfReader(&CLavSource::CreateInstance<CLSID_WMAsfReader>);
    static CClassFactory netShowSource(&CLavSource::CreateInstance<CLSID_NetShowSource>);
    static CClassFactory aviSplitter(&CLavSplitter::CreateInstance<CLSID_AviSplitter>);
    static CClassFactory mpegSplitter(&CLavSplitter::CreateInstance<CLSID_MpegSplitter>);
    static CClassFactory oggSplitter(&CLavSplitter::CreateInstance<CLSID_OggSplitter>);
    static CClassFactory matroskaSplitter(&CLavSplitter::CreateInstance<CLSID_MatroskaSplitter>);
    static CClassFactory realMediaSplitter(&CLavSplitter::CreateInstance<CLSID_RealMediaSplitter>);
    static CClassFactory streamSplitter(&CLavSplitter::CreateInstance<CLSID_StreamSplitter>);
    static CClassFactory videoDecoder(&CLavVideoDecoder::CreateInstance);
    static CClassFactory audioDecoder(&CLavAudioDecoder::CreateInstance);
    static CClassFactory videoRenderer(&CVideoRenderer::CreateInstance);
    static CClassFactory audioRenderer(&CAudioRenderer::CreateInstance);
    static CClassFactory nullRenderer(&CNullRenderer::CreateInstance);
    const struct {
        const CLSID& clsid;
        IClassFactory* factory;
    } classes[] = {
        {CLSID_AsyncReader, &asyncReader},
        {CLSID_MediaSource, &mediaSource},
        // The source selection asks for the system's ASF readers by class id;
        // the generic source reads ASF in their place.
        {CLSID_WMAsfReader, &asfReader},
        {CLSID_NetShowSource, &netShowSource},
        {CLSID_AviSplitter, &aviSplitter},
        {CLSID_MpegSplitter, &mpegSplitter},
        {CLSID_OggSplitter, &oggSplitter},
        {CLSID_MatroskaSplitter, &matroskaSplitter},
        {CLSID_RealMediaSplitter, &realMediaSplitter},
        {CLSID_StreamSplitter, &streamSplitter},
        {CLSID_VideoDecoder, &videoDecoder},
        {CLSID_AudioDecoder, &audioDecoder},
        {CLSID_VideoRenderer, &videoRenderer},
        {CLSID_DSoundRender, &audioRenderer},
        {CLSID_NullRenderer, &nullRenderer},
    };
    InstallRegistrations();
    // The libraries' notes on damaged or unusual input are no concern of
    // the program's output; errors still show.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
    for (const auto& c : classes) {
        hr = CoRegisterClassFactory(c.clsid, c.factory);
        if (FAILED(hr) && hr != CO_E_OBJISREG) return hr;
    }
    return S_OK;
}
