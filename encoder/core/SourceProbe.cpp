#include "encoder/core/SourceProbe.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "encoder/core/FilterModuleLoader.h"
#include "foundation/HttpFileReader.h"
#include "foundation/PathHelpers.h"
#include "foundation/UrlDownload.h"
#include "platform/win32/AsfObjectGuids.h"
#include "platform/win32/AviIndexChunk.h"
#include "platform/win32/ByteOrder.h"
#include "platform/win32/Files.h"
#include "platform/win32/Guid.h"

namespace {

const wchar_t kAgent[] = L"HttpGetFile";
const wchar_t kStreamAgent[] = L"NSPlayer";
constexpr DWORD kHttpTimeoutMs = 10000;
constexpr int kUrlHeadBytes = 256;
// Real files hold a handful of top-level chunks or objects; a walk that
// meets more than this many is over made-up data and stops, so no file,
// however large, can keep a probe reading headers for long.
constexpr int kMaxWalkSteps = 4096;

constexpr GUID kAsfIndexObjects[] = {asf::SimpleIndex, asf::Index, asf::MediaObjectIndex, asf::TimecodeIndex};

// One local file opened for probing: read and write sharing, existing files
// only, sequential reading; closed when the object goes.
class CProbeFile {
public:
    explicit CProbeFile(const CString& path)
        : m_handle(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr))
    {
    }
    ~CProbeFile()
    {
        if (IsOpen()) CloseHandle(m_handle);
    }
    CProbeFile(const CProbeFile&) = delete;
    CProbeFile& operator=(const CProbeFile&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    // Exactly count bytes from offset; false when fewer are there.
    bool ReadAt(int64_t offset, void* buffer, DWORD count)
    {
        if (!IsOpen() || offset < 0) return false;
        LARGE_INTEGER to;
        to.QuadPart = offset;
        if (!SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN)) return false;
        auto* out = static_cast<BYTE*>(buffer);
        DWORD total = 0;
        while (total < count) {
            DWORD got = 0;
            if (!ReadFile(m_handle, out + total, count - total, &got, nullptr) || got == 0) return false;
            total += got;
        }
        return true;
    }

    // -1 when the size cannot be read.
    int64_t Size()
    {
        LARGE_INTEGER size;
        if (!IsOpen() || !GetFileSizeEx(m_handle, &size)) return -1;
        return size.QuadPart;
    }

private:
    HANDLE m_handle;
};

// The first count bytes of a file; false when it does not open or is
// shorter.
bool ReadHead(const CString& path, void* buffer, DWORD count)
{
    CProbeFile file(path);
    return file.ReadAt(0, buffer, count);
}

bool Is(const BYTE* bytes, const char* text) { return std::memcmp(bytes, text, std::strlen(text)) == 0; }

bool IsGuidAt(const BYTE* p, const GUID& guid) { return LoadGuidLE(p) == guid; }

bool IsAsfHeadObject(const BYTE* p) { return IsGuidAt(p, asf::Header) || IsGuidAt(p, asf::Data); }

void SayCannotOpen(const char* line) { std::printf("%s\n", line); }

// ---- Addresses --------------------------------------------------------------------------

// The address behind a text that begins, without regard to case, with one
// of the prefixes (tried in order): the text itself, with an "avis://"
// scheme fetched as "http://".
bool RemoteAddress(const CString& text, std::initializer_list<const wchar_t*> prefixes, CString* address)
{
    CString lower = text;
    lower.MakeLower();
    for (const wchar_t* prefix : prefixes) {
        if (lower.Find(prefix) != 0) continue;
        *address = text;
        if (std::wcscmp(prefix, L"avis://") == 0) *address = CString(L"http") + text.Mid(4);
        return true;
    }
    return false;
}

// The first bytes of an address (up to a limit, or a little past it) in
// memory; true when the download succeeded.
bool FetchHead(const CString& url, const wchar_t* agent, int limit, std::string* bytes)
{
    BYTE* buffer = nullptr;
    DWORD count = 0;
    int ok =
        StartUrlDownload(url, nullptr, nullptr, nullptr, agent, limit, FALSE, &buffer, &count, 0, nullptr, nullptr);
    bytes->clear();
    if (buffer) {
        if (ok) bytes->assign(reinterpret_cast<const char*>(buffer), count);
        std::free(buffer);
    }
    return ok == 1;
}

// 404 or 403 when the address answers with one of them, else -1.
int LaterHttpFailure(const CString& url)
{
    int status = GetHttpStatusCode(url, kAgent, nullptr);
    return status == 404 || status == 403 ? status : -1;
}

// The first bytes of an address into a fixed-name file of the private
// temporary folder, checked there by a local probe: 1 when the probe finds
// its kind, else -1. The file never outlives the check.
int ProbeRemoteHead(const CString& url, const wchar_t* tempName, DWORD bytes, int (*localProbe)(const CString&))
{
    CString folder = GetTempFolder();
    if (folder.IsEmpty()) return -1;
    CString temp = folder + tempName;
    int found = -1;
    if (StartUrlDownload(url, temp, nullptr, nullptr, kAgent, static_cast<int>(bytes), TRUE, nullptr, nullptr, 0,
                         nullptr, nullptr) == 1)
        found = localProbe(temp) >= 0 ? 1 : -1;
    DeleteFileW(temp);
    return found;
}

// ---- Local checks shared by the local and remote branches ----------------------------

int OggHeadOf(const CString& path)
{
    BYTE head[4];
    return ReadHead(path, head, 4) && Is(head, "OggS") ? 0 : -1;
}

bool IsMovExtension(const CString& text)
{
    CString extension = GetFileExtension(text);
    return extension.MakeUpper() == L".MOV";
}

int Mp4HeadOf(const CString& path)
{
    static const char* const kFirstBoxes[] = {"ftyp", "moov", "mdat", "moof", "free", "skip", "wide",
                                              "udta", "foov", "M1.0", "M1.2", "M1.3", "M1.5", "M1.6"};
    CProbeFile file(path);
    if (!file.IsOpen()) {
        SayCannotOpen("ERROR, Can't Open File");
        return -1;
    }
    BYTE head[8];
    if (!file.ReadAt(0, head, 8)) return -1;
    for (const char* box : kFirstBoxes)
        if (std::memcmp(head + 4, box, 4) == 0) return 0;
    return -1;
}

// An "idx1" chunk whose header starts at `at` is complete when the rest of
// the file holds its whole body.
bool IsCompleteIdx1(CProbeFile& file, int64_t at, int64_t fileSize)
{
    BYTE header[8];
    if (!file.ReadAt(at, header, 8) || !Is(header, "idx1")) return false;
    return AviIndexChunkWhole(at, LoadLE32(header + 4), fileSize);
}

int ProbeLocalAvi(const CString& path)
{
    CProbeFile file(path);
    BYTE riff[12];
    if (!file.ReadAt(0, riff, 12) || !Is(riff, "RIFF") || !Is(riff + 8, "AVI ")) return -1;
    const int64_t fileSize = file.Size();
    const uint32_t riffSize = LoadLE32(riff + 4);
    const int64_t bodyLength = riffSize >= 4 ? static_cast<int64_t>(riffSize) - 4 : 0;

    int64_t at = 12;
    int64_t walked = 0;
    for (int step = 0; step < kMaxWalkSteps; ++step) {
        BYTE header[8];
        if (!file.ReadAt(at, header, 8)) break;
        const uint32_t size = LoadLE32(header + 4);
        if (Is(header, "idx1")) return AviIndexChunkWhole(at, size, fileSize) ? 0 : 1;
        if (Is(header, "LIST")) {
            // An OpenDML file indexes its streams inside the movie list.
            BYTE list[8];
            if (file.ReadAt(at + 8, list, 8) && Is(list, "movi") && Is(list + 4, "ix00")) return 0;
        }
        at += 8 + static_cast<int64_t>(size) + (size & 1);
        walked += 8 + static_cast<int64_t>(size);
        if (walked >= bodyLength) break;
    }
    return IsCompleteIdx1(file, at, fileSize) ? 0 : 1;
}

int ProbeLocalAsf(const CString& path)
{
    CProbeFile file(path);
    if (!file.IsOpen()) {
        SayCannotOpen("ERROR, Can't Open File");
        return -1;
    }
    const int64_t fileSize = file.Size();
    int result = -1;
    int64_t at = 0;
    for (int step = 0; step < kMaxWalkSteps && at < fileSize; ++step) {
        BYTE header[asf::kObjectHeaderBytes];
        if (!file.ReadAt(at, header, sizeof header)) break;
        const uint64_t size = LoadLE64(header + 16);
        if (size == 0) break;
        bool known = false;
        if (IsAsfHeadObject(header)) {
            known = true;
            if (result < 0) result = 1;
        } else {
            for (const GUID& index : kAsfIndexObjects) {
                if (!IsGuidAt(header, index)) continue;
                known = true;
                if (static_cast<uint64_t>(fileSize - at) >= size) return 0;
                break;  // an index cut short is passed over
            }
        }
        if (!known) break;
        // An object is never shorter than its header: a smaller size, or one
        // that runs past any offset a file can have, ends the walk.
        if (size < asf::kObjectHeaderBytes || size > static_cast<uint64_t>(INT64_MAX - at)) break;
        at += static_cast<int64_t>(size);
    }
    return result;
}

}  // namespace

SourceTypeCode HttpStatusSourceCode(int status)
{
    if (status < 0 || status > 999) return kSourceUnknown;
    const int hexDigits = (status / 100) * 0x100 + (status / 10 % 10) * 0x10 + status % 10;
    return static_cast<int>(0xF0000000u | static_cast<unsigned>(hexDigits));
}

bool IsFailedSourceCode(SourceTypeCode code)
{
    return (static_cast<unsigned>(code) & 0xF0000000u) == 0xF0000000u && code != -1;
}

// ---- The probes ---------------------------------------------------------------------------

int ProbeUrlHead(const CString& source)
{
    CString url;
    if (!RemoteAddress(source, {L"avis://", L"http://", L"www."}, &url)) return -1;

    CHttpFileReader reader(kHttpTimeoutMs, kAgent);
    const bool opened = reader.Open(url);
    std::string head;
    if (opened) {
        char buffer[kUrlHeadBytes];
        while (head.size() < static_cast<size_t>(kUrlHeadBytes)) {
            DWORD got = reader.Read(buffer, static_cast<DWORD>(kUrlHeadBytes - head.size()));
            if (got == 0) break;
            head.append(buffer, got);
        }
    }
    wchar_t contentType[256] = {};
    if (opened) reader.GetContentType(contentType, 256);
    reader.Close();

    auto statusCode = [&url]() {
        int status = GetHttpStatusCode(url, kAgent, nullptr);
        switch (status) {
        case 401:
        case 403:
        case 404:
        case 406:
        case 503: return HttpStatusSourceCode(status);
        default: return kSourceUnknown;
        }
    };

    const auto* bytes = reinterpret_cast<const BYTE*>(head.data());
    if (opened && !head.empty()) {
        if (std::wcscmp(contentType, L"xgm/application") == 0) return kSourceXgmHttp;
        if (head.size() >= 12 && Is(bytes, "RIFF") && Is(bytes + 8, "AVI ")) return kSourceAviHttp;
        if (head.size() >= asf::kObjectHeaderBytes && IsAsfHeadObject(bytes)) return kSourceAsfStream;
        if (head.size() >= 4 && Is(bytes, "OggS")) return kSourceOggHttp;
        if (head.size() >= 3 && (Is(bytes, "CWS") || Is(bytes, "FWS"))) return kSourceSwf;
        return statusCode();
    }
    SourceTypeCode failure = statusCode();
    if (failure != kSourceUnknown) return failure;
    // An address that could not be reached at all is not asked again as a
    // stream; one that answered without content may serve only the stream
    // agent.
    if (!opened) return -1;
    std::string streamHead;
    return FetchHead(url, kStreamAgent, kUrlHeadBytes, &streamHead) ? kSourceAsfStream : -1;
}

int ProbeAvi(const CString& source)
{
    CString url;
    if (RemoteAddress(source, {L"avis://", L"http://", L"www."}, &url)) {
        std::string head;
        bool fetched = FetchHead(url, kAgent, 12, &head);
        const auto* bytes = reinterpret_cast<const BYTE*>(head.data());
        if (fetched && head.size() >= 12 && Is(bytes, "RIFF") && Is(bytes + 8, "AVI ")) return 2;
        return LaterHttpFailure(url);
    }
    return ProbeLocalAvi(source);
}

int ProbeAsf(const CString& source)
{
    if (source.Find(L"mms://") == 0) return 2;
    CString url;
    if (RemoteAddress(source, {L"http://", L"www."}, &url)) {
        std::string head;
        if (FetchHead(url, kAgent, asf::kObjectHeaderBytes, &head)) {
            if (head.size() >= asf::kObjectHeaderBytes && IsAsfHeadObject(reinterpret_cast<const BYTE*>(head.data())))
                return 2;
        } else if (FetchHead(url, kStreamAgent, asf::kObjectHeaderBytes, &head)) {
            return 1;
        }
        return LaterHttpFailure(url);
    }
    return ProbeLocalAsf(source);
}

int ProbeOggSource(const CString& source)
{
    CString url;
    if (RemoteAddress(source, {L"http://", L"www."}, &url)) return ProbeRemoteHead(url, L"ogg1258.chk", 4, OggHeadOf);
    return OggHeadOf(source);
}

int ProbeMp4(const CString& source)
{
    if (IsMovExtension(source)) return -1;
    CString url;
    if (RemoteAddress(source, {L"http://", L"www."}, &url)) return ProbeRemoteHead(url, L"mp41258.chk", 8, Mp4HeadOf);
    return Mp4HeadOf(source);
}

int ProbeTransportStream(const CString& source)
{
    constexpr int kPacket = 188;
    BYTE head[3 * kPacket];
    if (!ReadHead(source, head, sizeof head)) return -1;
    for (int i = 0; i < kPacket; ++i) {
        if (head[i] != 0x47 || head[i + kPacket] != 0x47 || head[i + 2 * kPacket] != 0x47) continue;
        // The extension as written: ".DMB" is an ordinary transport stream.
        return GetFileExtension(source) == L".dmb" ? 1 : 0;
    }
    return -1;
}

int ProbeDvd(const CString& source)
{
    if (source == L"(Default DVD Device)") return 0;
    CString extension = GetFileExtension(source);
    if (extension.MakeUpper() != L".IFO") return -1;
    BYTE head[3];
    return ReadHead(source, head, 3) && Is(head, "DVD") ? 1 : -1;
}

int ProbeIdxCompanion(const CString& source)
{
    int dot = source.ReverseFind(L'.');
    CString companion = (dot >= 0 ? source.Left(dot) : CString()) + L".idx";
    if (!FileExists(companion)) return -1;
    return ProbeRivoFile(source);
}

int ProbeMpegProgramStream(const CString& path)
{
    CProbeFile file(path);
    if (!file.IsOpen()) {
        SayCannotOpen("ERROR, Can't Open File");
        return -1;
    }
    BYTE head[4];
    return file.ReadAt(0, head, 4) && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0xBA ? 0 : -1;
}

int ProbeRiffCdda(const CString& path)
{
    BYTE head[12];
    return ReadHead(path, head, 12) && Is(head, "RIFF") && Is(head + 8, "CDDA") ? 0 : -1;
}

int ProbeRiffCdxa(const CString& path)
{
    BYTE head[12];
    return ReadHead(path, head, 12) && Is(head, "RIFF") && Is(head + 8, "CDXA") ? 0 : -1;
}

int ProbeRealMedia(const CString& path)
{
    BYTE head[4];
    return ReadHead(path, head, 4) && Is(head, ".RMF") ? 0 : -1;
}

int ProbeFlvFile(const CString& path)
{
    BYTE head[4];
    return ReadHead(path, head, 4) && Is(head, "FLV") && head[3] == 1 ? 0 : -1;
}

int ProbeSwf(const CString& path)
{
    BYTE head[4];
    return ReadHead(path, head, 4) && (Is(head, "CWS") || Is(head, "FWS")) ? 0 : -1;
}

int ProbeMatroska(const CString& path)
{
    BYTE head[4];
    return ReadHead(path, head, 4) && head[0] == 0x1A && head[1] == 0x45 && head[2] == 0xDF && head[3] == 0xA3 ? 0 : -1;
}

int ProbeVgm2(const CString& path)
{
    BYTE head[4];
    return ReadHead(path, head, 4) && Is(head, "VGM2") ? 0 : -1;
}

int ProbeRivoFile(const CString& path)
{
    CProbeFile file(path);
    if (!file.IsOpen()) {
        SayCannotOpen("ERROR, Can't Open Rivo_File");
        return -1;
    }
    BYTE head[8];
    if (!file.ReadAt(0, head, 8) || !Is(head, "RIVO")) return -1;
    int value = static_cast<int>(LoadLE32(head + 4));
    return value >= 0 ? value : -1;
}

int IsEmptyFile(const CString& path)
{
    CProbeFile file(path);
    return file.IsOpen() && file.Size() == 0 ? 1 : -1;
}

int ClassifyStreamAddress(const CString& source)
{
    if (IsStreamSchemeUrl(source)) return 2;
    if (IsStreamIdText(source)) return 1;
    return -1;
}

SourceTypeCode ProbeMediaSource(const CString& source)
{
    int r = ProbeUrlHead(source);
    if (r != -1) return r;

    // The walks of the AVI, ASF and Ogg probes, whose remote branches may
    // still meet an HTTP failure.
    struct SWalk {
        int (*probe)(const CString&);
        SourceTypeCode variants[3];
    };
    static const SWalk kWalks[] = {
        {ProbeAvi, {kSourceAvi, kSourceAviBadIndex, kSourceAviHttp}},
        {ProbeAsf, {kSourceAsf, kSourceAsfNoIndex, kSourceAsfStream}},
        {ProbeOggSource, {kSourceOgg, kSourceOggHttp, kSourceUnknown}},
    };
    for (const SWalk& walk : kWalks) {
        r = walk.probe(source);
        if (r >= 0 && r <= 2 && walk.variants[r] != kSourceUnknown) return walk.variants[r];
        if (r == 404) return kSourceHttpNotFound;
        if (r == 403) return kSourceHttpForbidden;
    }

    if (IsEmptyFile(source) >= 0) return kSourceEmptyFile;

    struct SMagic {
        int (*probe)(const CString&);
        SourceTypeCode code;
    };
    static const SMagic kBeforeMp4[] = {
        {ProbeMpegProgramStream, kSourceMpegProgram},
        {ProbeRiffCdxa, kSourceRiffCdxa},
        {ProbeRealMedia, kSourceRealMedia},
        {ProbeFlvFile, kSourceFlv},
        {ProbeSwf, kSourceSwf},
    };
    for (const SMagic& m : kBeforeMp4)
        if (m.probe(source) >= 0) return m.code;

    r = ProbeMp4(source);
    if (r == 0) return kSourceMp4;
    if (r == 1) return kSourceMp4Http;
    r = ProbeTransportStream(source);
    if (r == 0) return kSourceMpegTransport;
    if (r == 1) return kSourceMpegTransportDmb;

    static const SMagic kAfterTs[] = {
        {ProbeMatroska, kSourceMatroska},
        {ProbeRiffCdda, kSourceRiffCdda},
        {ProbeVgm2, kSourceVgm2},
        {ProbeDvd, kSourceDvd},
        {ClassifyStreamAddress, kSourceStreamAddress},
        {ProbeIdxCompanion, kSourceIdxCompanion},
        {ProbeRivoFile, kSourceRivoFile},
    };
    for (const SMagic& m : kAfterTs)
        if (m.probe(source) >= 0) return m.code;
    return kSourceUnknown;
}
