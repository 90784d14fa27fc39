#include "LanguageTags.h"

namespace {

struct SLanguageTag {
    LCID lcid;
    const wchar_t* tag;
};

const SLanguageTag kTags[] = {
    {0x0401, L"ar-sa"}, {0x0402, L"bg"},    {0x0403, L"ca"},    {0x0404, L"zh-tw"}, {0x0405, L"cs"},
    {0x0406, L"da"},    {0x0407, L"de"},    {0x0408, L"el"},    {0x0409, L"en-us"}, {0x040A, L"es"},
    {0x040B, L"fi"},    {0x040C, L"fr"},    {0x040D, L"he"},    {0x040E, L"hu"},    {0x040F, L"is"},
    {0x0410, L"it"},    {0x0411, L"ja"},    {0x0412, L"ko"},    {0x0413, L"nl"},    {0x0414, L"no"},
    {0x0415, L"pl"},    {0x0416, L"pt-br"}, {0x0418, L"ro"},    {0x0419, L"ru"},    {0x041A, L"hr"},
    {0x041B, L"sk"},    {0x041D, L"sv"},    {0x041E, L"th"},    {0x041F, L"tr"},    {0x0421, L"id"},
    {0x0422, L"uk"},    {0x042A, L"vi"},    {0x0804, L"zh-cn"}, {0x0807, L"de-ch"}, {0x0809, L"en-gb"},
    {0x080A, L"es-mx"}, {0x080C, L"fr-be"}, {0x0816, L"pt"},    {0x0C04, L"zh-hk"}, {0x0C07, L"de-at"},
    {0x0C09, L"en-au"}, {0x0C0C, L"fr-ca"}, {0x1004, L"zh-sg"}, {0x1009, L"en-ca"},
};

}  // namespace

const wchar_t* Rfc1766TagFromLcid(LCID lcid)
{
    for (const SLanguageTag& t : kTags)
        if (t.lcid == lcid) return t.tag;
    return nullptr;
}
