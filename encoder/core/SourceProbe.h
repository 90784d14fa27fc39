// Deciding what kind of source a text names before it becomes a job: a local
// file of a known container, a damaged local file, a stream address, an HTTP
// resource, a DVD, or nothing usable. ProbeMediaSource runs the single probes
// in a fixed order and gives one SourceTypeCode; the job record keeps it and
// the graphs choose their source filter by it.
//
// Every single probe answers -1 for "not this kind", else 0, 1 or 2 for its
// variants (or an HTTP status, 403 or 404, where a later probe reports one).
// Local probes read at most a few hundred bytes from the start of the file,
// except the AVI and ASF walks, which read only chunk and object headers and
// seek over the bodies; only regular files are opened, so a FIFO or device
// never blocks a probe. Remote probes fetch at most 256 bytes and wait at
// most 10 seconds per operation, on the calling thread.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// The container family in the second byte, the variant in the low byte;
// codes with the high nibble F are failures.
using SourceTypeCode = int;

constexpr SourceTypeCode kSourceUnknown = -1;
constexpr SourceTypeCode kSourceStreamAddress = 0x1;  // the maker's stream scheme or stream id
constexpr SourceTypeCode kSourceIdxCompanion = 0x2;   // the maker's file with a ".idx" companion
constexpr SourceTypeCode kSourceRivoFile = 0x3;       // a file with the maker's own header
constexpr SourceTypeCode kSourceAvi = 0x101;          // local AVI with a usable index
constexpr SourceTypeCode kSourceAviBadIndex = 0x102;  // local AVI whose index is missing or cut
constexpr SourceTypeCode kSourceAviHttp = 0x103;
constexpr SourceTypeCode kSourceAsf = 0x201;         // local ASF with a complete index object
constexpr SourceTypeCode kSourceAsfNoIndex = 0x202;  // ... without one, or HTTP answering only "NSPlayer"
constexpr SourceTypeCode kSourceAsfStream = 0x203;   // "mms://", or ASF over HTTP
constexpr SourceTypeCode kSourceMpegProgram = 0x301;
constexpr SourceTypeCode kSourceMpegTransport = 0x303;
constexpr SourceTypeCode kSourceMpegTransportDmb = 0x304;  // a transport stream named ".dmb"
constexpr SourceTypeCode kSourceMp4 = 0x311;               // MP4 or a QuickTime-family file
constexpr SourceTypeCode kSourceMp4Http = 0x312;
constexpr SourceTypeCode kSourceOgg = 0x401;
constexpr SourceTypeCode kSourceOggHttp = 0x402;
constexpr SourceTypeCode kSourceXgmHttp = 0x403;  // served as "xgm/application"
constexpr SourceTypeCode kSourceRealMedia = 0x501;
constexpr SourceTypeCode kSourceMatroska = 0x601;
constexpr SourceTypeCode kSourceRiffCdda = 0x701;
constexpr SourceTypeCode kSourceRiffCdxa = 0x702;
constexpr SourceTypeCode kSourceVgm2 = 0x801;
constexpr SourceTypeCode kSourceFlv = 0x901;
constexpr SourceTypeCode kSourceSwf = 0x902;
constexpr SourceTypeCode kSourceDvd = 0x10000000;
constexpr SourceTypeCode kSourceEmptyFile = static_cast<int>(0xF0000001u);
// HTTP 404 and 403 reported by a probe after the first.
constexpr SourceTypeCode kSourceHttpNotFound = static_cast<int>(0xF0000002u);
constexpr SourceTypeCode kSourceHttpForbidden = static_cast<int>(0xF0000003u);

// The failure code of an HTTP status met by the first probe: 0xF0000000 with
// the status's three decimal digits as its last three hex digits
// (404 gives 0xF0000404).
SourceTypeCode HttpStatusSourceCode(int status);
// Codes with the high nibble F.
bool IsFailedSourceCode(SourceTypeCode code);

// The text as the user gave it: a path, an address or the DVD device text
// "(Default DVD Device)".
SourceTypeCode ProbeMediaSource(const CString& source);

// Probes that take any source text.
int ProbeUrlHead(const CString& source);
int ProbeAvi(const CString& source);
int ProbeAsf(const CString& source);
int ProbeOggSource(const CString& source);
int ProbeMp4(const CString& source);
int ProbeTransportStream(const CString& source);
int ProbeDvd(const CString& source);
int ProbeIdxCompanion(const CString& source);

// Magic-number probes on a file path: 0 when the bytes at the start match,
// else -1.
int ProbeMpegProgramStream(const CString& path);
int ProbeRiffCdda(const CString& path);
int ProbeRiffCdxa(const CString& path);
int ProbeRealMedia(const CString& path);
int ProbeFlvFile(const CString& path);
int ProbeSwf(const CString& path);
int ProbeMatroska(const CString& path);
int ProbeVgm2(const CString& path);
// The 32-bit value stored after the maker's "RIVO" magic; -1 when the magic
// is missing or the value is negative.
int ProbeRivoFile(const CString& path);
// 1 when the file opens and holds no byte, else -1.
int IsEmptyFile(const CString& path);
// 2 for an address of the maker's stream scheme, 1 for a stream-id text,
// else -1.
int ClassifyStreamAddress(const CString& source);
