#include "CodePageDetect.h"

#include <uchardet.h>

#include <cstring>
#include <strings.h>

namespace {

struct NamedCodePage {
    const char* name;
    UINT codePage;
};

// Only names whose text a code page here converts as the guess says.
const NamedCodePage kCharsets[] = {
    {"UTF-8", 65001},
    {"ASCII", 20127},
    {"UTF-16LE", 1200},
    {"UTF-16BE", 1201},
    {"EUC-KR", 949},
    {"UHC", 949},
    {"CP949", 949},
    {"JOHAB", 1361},
    {"ISO-2022-KR", 50225},
    {"SHIFT_JIS", 932},
    {"CP932", 932},
    {"EUC-JP", 51932},
    {"ISO-2022-JP", 50220},
    {"GB18030", 936},
    {"GB2312", 936},
    {"GBK", 936},
    {"CP936", 936},
    {"HZ-GB-2312", 52936},
    {"ISO-2022-CN", 50227},
    {"BIG5", 950},
    {"BIG5-HKSCS", 950},
    {"CP950", 950},
    {"EUC-TW", 51950},
    {"WINDOWS-1250", 1250},
    {"WINDOWS-1251", 1251},
    {"WINDOWS-1252", 1252},
    {"WINDOWS-1253", 1253},
    {"WINDOWS-1254", 1254},
    {"WINDOWS-1255", 1255},
    {"WINDOWS-1256", 1256},
    {"WINDOWS-1257", 1257},
    {"WINDOWS-1258", 1258},
    {"ISO-8859-1", 28591},
    {"ISO-8859-2", 28592},
    {"ISO-8859-3", 28593},
    {"ISO-8859-4", 28594},
    {"ISO-8859-5", 28595},
    {"ISO-8859-6", 28596},
    {"ISO-8859-7", 28597},
    {"ISO-8859-8", 28598},
    {"ISO-8859-9", 28599},
    {"ISO-8859-11", 874},
    {"ISO-8859-13", 28603},
    {"ISO-8859-15", 28605},
    {"KOI8-R", 20866},
    {"KOI8-U", 21866},
    {"IBM866", 866},
    {"IBM855", 855},
    {"IBM852", 852},
    {"TIS-620", 874},
    {"WINDOWS-874", 874},
    {"MAC-CYRILLIC", 10007},
    {"MAC-CENTRALEUROPE", 10029},
};

}  // namespace

UINT CodePageFromCharsetName(const char* name)
{
    if (!name) return 0;
    for (const auto& c : kCharsets)
        if (strcasecmp(c.name, name) == 0) return c.codePage;
    return 0;
}

HRESULT DetectInputCodepage(DWORD /*flags*/, DWORD /*preferredCodePage*/, const char* src, INT* size,
                            DetectEncodingInfo* info, INT* count)
{
    if (!src || !size || !info || !count || *count < 1 || *size < 0) return E_INVALIDARG;
    if (*size == 0) return E_FAIL;
    uchardet_t detector = uchardet_new();
    if (!detector) return E_FAIL;
    HRESULT hr = E_FAIL;
    if (uchardet_handle_data(detector, src, static_cast<size_t>(*size)) == 0) {
        uchardet_data_end(detector);
        UINT cp = CodePageFromCharsetName(uchardet_get_charset(detector));
        // Western text is named by its Windows code page, which holds
        // Latin-1 and gives the bytes 0x80-0x9F their printed meaning
        // (quotes, dashes, the ellipsis) as such files mean them.
        if (cp == 28591) cp = 1252;
        if (cp != 0) {
            info[0] = DetectEncodingInfo{};
            info[0].nCodePage = cp;
            info[0].nDocPercent = 100;
            info[0].nConfidence = 100;
            *count = 1;
            hr = S_OK;
        }
    }
    uchardet_delete(detector);
    return hr;
}
