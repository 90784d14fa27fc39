// Filter candidates: entries made from monikers and from the registry, the
// merit rules (FilterData merit, caller's merit, the lifted filter), input
// types from FilterData through the system's parser and our own reader,
// type matching and the sort order.
#include <gtest/gtest.h>

#include <cstring>

#include "encoder/pipeline/GraphFilter.h"
#include "encoder/pipeline/TextUtilities.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/DeviceMoniker.h"
#include "platform/dshow/FilterData.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/Registry.h"
#include "tests/platform/dshow/MediaFiles.h"

namespace {

constexpr CLSID kLifted{0x3AE86B20, 0x7BE8, 0x11D1, {0xAB, 0xE6, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};
constexpr CLSID kPlain{0x5A0E1230, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x03}};
const GUID kMajor{0x5A0E1231, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x03}};
const GUID kSub{0x5A0E1232, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x03}};
const GUID kOtherSub{0x5A0E1233, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x03}};

std::wstring InstanceKey(const CLSID& clsid)
{
    return L"CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\" + std::wstring(ClsidToString(clsid));
}

std::string Blob(DWORD merit, const std::vector<FilterPinRegistration>& pins)
{
    FilterRegistration r;
    r.merit = merit;
    r.pins = pins;
    std::string blob;
    EXPECT_EQ(WriteFilterData(r, &blob), S_OK);
    return blob;
}

FilterPinRegistration InputPin(std::vector<std::pair<GUID, GUID>> types)
{
    FilterPinRegistration p;
    p.types = std::move(types);
    return p;
}

FilterPinRegistration OutputPin(std::vector<std::pair<GUID, GUID>> types)
{
    FilterPinRegistration p = InputPin(std::move(types));
    p.flags = REG_PINFLAG_B_OUTPUT;
    return p;
}

std::string Le32(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Bytes(const GUID& g) { return std::string(reinterpret_cast<const char*>(&g), 16); }

void Pairs(GuidArray& a, std::initializer_list<GUID> guids)
{
    a.RemoveAll();
    for (const GUID& g : guids) a.Add(g);
}

class GraphFilterTest : public SystemFilterTest {
protected:
    void TearDown() override
    {
        for (const CLSID& c : {kLifted, kPlain}) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, InstanceKey(c).c_str());
            RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + std::wstring(ClsidToString(c))).c_str());
        }
        SystemFilterTest::TearDown();
    }

    // The class's default name, and its instance under the filter category
    // with a friendly name and FilterData.
    void Register(const CLSID& clsid, const wchar_t* className, const wchar_t* friendly, const std::string& blob)
    {
        HKEY key = nullptr;
        std::wstring classKey = L"CLSID\\" + std::wstring(ClsidToString(clsid));
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CLASSES_ROOT, classKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        if (className) RegSetTextValue(key, L"", className);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, InstanceKey(clsid).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        if (friendly) RegSetTextValue(key, L"FriendlyName", friendly);
        RegSetTextValue(key, L"CLSID", std::wstring(ClsidToString(clsid)));
        RegSetValueExW(key, L"FilterData", 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                       static_cast<DWORD>(blob.size()));
        RegCloseKey(key);
    }

    ComPtr<IMoniker> MonikerOf(const CLSID& clsid)
    {
        ComPtr<IMoniker> m;
        EXPECT_EQ(
            CDeviceMoniker::Create(CLSID_LegacyAmFilterCategory, std::wstring(ClsidToString(clsid)), m.GetAddressOf()),
            S_OK);
        return m;
    }
};

TEST_F(GraphFilterTest, RegisteredMeritComesFromFilterDataAndTheLiftedFilterGoesAboveNormal)
{
    std::string blob = Blob(0x5FFFFF, {InputPin({{kMajor, kSub}})});
    Register(kLifted, L"Class Name", L"Lifted", blob);
    Register(kPlain, nullptr, L"Plain", blob);

    CGraphRegFilter lifted(MonikerOf(kLifted).Get(), kRegisteredMerit);
    EXPECT_EQ(lifted.GetMerit(), 0x0000006000010000ULL);
    EXPECT_EQ(std::wstring(lifted.GetName()), L"Lifted");
    EXPECT_EQ(lifted.GetClsid(), kLifted);
    EXPECT_EQ(std::wstring(lifted.GetDisplayName()).rfind(L"@device:sw:", 0), 0u);
    CGraphRegFilter plain(MonikerOf(kPlain).Get(), kRegisteredMerit);
    EXPECT_EQ(plain.GetMerit(), 0x0000005FFFFF0000ULL);

    // Made from the registry the same rules hold; the friendly name wins
    // over the class's default name.
    CGraphRegFilter fromRegistry(kLifted, kRegisteredMerit);
    EXPECT_EQ(fromRegistry.GetMerit(), 0x0000006000010000ULL);
    EXPECT_EQ(std::wstring(fromRegistry.GetName()), L"Lifted");
    ASSERT_EQ(fromRegistry.GetInputTypes().GetSize(), 2);
    EXPECT_EQ(fromRegistry.GetInputTypes()[1], kSub);
}

TEST_F(GraphFilterTest, CallersMeritStandsWhateverFilterDataSays)
{
    Register(kPlain, L"Class Name", nullptr, Blob(MERIT_PREFERRED, {InputPin({{kMajor, kSub}})}));
    CGraphRegFilter blocked(kPlain, kBlockedMerit);
    EXPECT_EQ(blocked.GetMerit(), kBlockedMerit);
    EXPECT_EQ(std::wstring(blocked.GetName()), L"Class Name");  // no friendly name
    CGraphRegFilter preferred(MonikerOf(kPlain).Get(), 0x0000009000000000ULL);
    EXPECT_EQ(preferred.GetMerit(), 0x0000009000000000ULL);
}

TEST_F(GraphFilterTest, FilterWithOnlyOutputPinsHasNoInputTypesAndNeverMatches)
{
    Register(kPlain, nullptr, L"Source", Blob(MERIT_NORMAL, {OutputPin({{kMajor, kSub}})}));
    CGraphRegFilter source(kPlain, 0x0000008000000000ULL);
    EXPECT_EQ(source.GetInputTypes().GetSize(), 0);
    GuidArray pairs;
    Pairs(pairs, {kMajor, kSub});
    EXPECT_FALSE(source.IsMatch(pairs));
    EXPECT_FALSE(source.IsExactMatch(pairs));
    Pairs(pairs, {GUID_NULL, GUID_NULL});
    EXPECT_FALSE(source.IsMatch(pairs));
}

TEST_F(GraphFilterTest, OwnReaderStopsAtACutAndKeepsWhatItRead)
{
    // One input pin claiming four types. The first type's GUIDs lie inside
    // the data; the blob ends in the middle of the fourth entry, which the
    // system's parser refuses as a whole.
    std::string blob = Le32(2) + Le32(MERIT_UNLIKELY) + Le32(1) + Le32(0);
    blob += "0pi3" + Le32(0) + Le32(1) + Le32(4) + Le32(0) + Le32(0);
    blob += "0ty3" + Le32(0) + Le32(56) + Le32(72);  // entry 1 at 40, its GUIDs at 56 and 72
    GUID major = kMajor, sub = kSub;
    std::memset(major.Data4, 0xFF, 8);  // entries 2 and 3, read from these bytes, point nowhere
    std::memset(sub.Data4, 0xFF, 8);
    blob += Bytes(major) + Bytes(sub) + std::string(8, '\0');  // entry 4 cut after 8 bytes
    Register(kPlain, nullptr, L"Cut", blob);
    CGraphRegFilter cut(kPlain, kRegisteredMerit);
    ASSERT_EQ(cut.GetInputTypes().GetSize(), 2);
    EXPECT_EQ(cut.GetInputTypes()[0], major);
    EXPECT_EQ(cut.GetInputTypes()[1], sub);
    EXPECT_EQ(cut.GetMerit(), static_cast<ULONGLONG>(MERIT_UNLIKELY) << 16);

    // Version 1 is not read at all.
    std::string old = Blob(MERIT_NORMAL, {InputPin({{kMajor, kSub}})});
    old[0] = 1;
    Register(kPlain, nullptr, L"Old", old);
    CGraphRegFilter versionOne(kPlain, kRegisteredMerit);
    EXPECT_EQ(versionOne.GetInputTypes().GetSize(), 0);
    EXPECT_EQ(versionOne.GetMerit(), kRegisteredMerit);
}

TEST_F(GraphFilterTest, MatchingTakesGuidNullAsWildcardExceptForExactness)
{
    Register(kPlain, nullptr, L"Any Subtype",
             Blob(MERIT_NORMAL, {InputPin({{kMajor, GUID_NULL}, {MEDIATYPE_Audio, kOtherSub}})}));
    CGraphRegFilter f(kPlain, kRegisteredMerit);
    const struct {
        std::vector<GUID> pin;
        bool match;
        bool exact;
    } cases[] = {
        {{kMajor, kSub}, true, false},                                      // the filter's subtype wildcard
        {{GUID_NULL, kSub}, true, false},                                   // the pin's major wildcard
        {{MEDIATYPE_Audio, kOtherSub}, true, true},                         // equal and not null
        {{MEDIATYPE_Video, kSub, MEDIATYPE_Audio, kOtherSub}, true, true},  // any pair of the pin
        {{MEDIATYPE_Video, kSub}, false, false},
        {{MEDIATYPE_Audio, kSub}, false, false},
        {{kMajor}, false, false},  // an odd last entry is no pair
    };
    for (const auto& c : cases) {
        GuidArray pairs;
        for (const GUID& g : c.pin) pairs.Add(g);
        EXPECT_EQ(f.IsMatch(pairs), c.match);
        EXPECT_EQ(f.IsExactMatch(pairs), c.exact);
    }
}

TEST_F(GraphFilterTest, CandidatesSortByMeritThenExactness)
{
    Register(kPlain, nullptr, L"X", Blob(MERIT_NORMAL, {}));
    CGraphRegFilter low(kPlain, 0x0000004000000000ULL), high(kPlain, 0x0000008000000000ULL);
    CGraphRegFilter equalA(kPlain, 0x0000006000000000ULL), equalB(kPlain, 0x0000006000000000ULL);
    SortFilter entries[] = {{&low, 1}, {&equalA, 0}, {&high, 0}, {&equalB, 1}};
    SortCandidates(entries, 4);
    EXPECT_EQ(entries[0].filter, &high);
    EXPECT_EQ(entries[1].filter, &equalB);  // exact before inexact at equal merit
    EXPECT_EQ(entries[2].filter, &equalA);
    EXPECT_EQ(entries[3].filter, &low);
}

TEST_F(GraphFilterTest, InstancesComeFromTheMonikerOrTheClass)
{
    // Through the shipped registration's moniker: the object's own class id.
    CGraphRegFilter byMoniker(MonikerOf(CLSID_NullRenderer).Get(), kRegisteredMerit);
    EXPECT_EQ(std::wstring(byMoniker.GetName()), L"Null Renderer");
    EXPECT_EQ(byMoniker.GetMerit(), static_cast<ULONGLONG>(MERIT_DO_NOT_USE) << 16);
    ComPtr<IBaseFilter> filter;
    DWORD second = 7;
    ASSERT_EQ(byMoniker.CreateInstance(filter.GetAddressOf(), &second), S_OK);
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(byMoniker.GetClsid(), CLSID_NullRenderer);
    EXPECT_EQ(byMoniker.CreateInstance(nullptr), E_POINTER);

    CGraphRegFilter byClass(CLSID_NullRenderer, kRegisteredMerit);
    ComPtr<IBaseFilter> other;
    EXPECT_EQ(byClass.CreateInstance(other.GetAddressOf()), S_OK);
    CGraphRegFilter unknown(kPlain, kRegisteredMerit);
    EXPECT_EQ(unknown.CreateInstance(other.ReleaseAndGetAddressOf()), E_FAIL);
    CGraphRegFilter none(GUID_NULL, kRegisteredMerit);
    EXPECT_EQ(none.CreateInstance(other.ReleaseAndGetAddressOf()), E_FAIL);
    EXPECT_EQ(std::wstring(none.GetName()), L"");
}

TEST_F(GraphFilterTest, ReleaseGivesBackUsesBeforeItDeletes)
{
    auto* f = new CGraphRegFilter(GUID_NULL, kBlockedMerit);
    f->AddUse();
    f->AddUse();
    f->Release();
    f->Release();
    EXPECT_EQ(f->GetMerit(), kBlockedMerit);  // still alive
    f->Release();                             // deleted (the sanitizer sees a leak otherwise)
}

}  // namespace
