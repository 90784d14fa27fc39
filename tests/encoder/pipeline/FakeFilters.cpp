#include "tests/encoder/pipeline/FakeFilters.h"

#include <array>
#include <map>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MapperInterfaces.h"
#include "platform/dshow/MediaGuids.h"

const GUID kTypeX{0x5A0E1220, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x01}};
const GUID kTypeY{0x5A0E1221, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x01}};
const GUID kTypeZ{0x5A0E1222, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x01}};
const GUID kSubA{0x5A0E1223, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x01}};
const GUID kSubB{0x5A0E1224, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x01}};

CLSID FakeClsid(int n)
{
    return CLSID{0x5A0E1300u + static_cast<DWORD>(n), 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x02}};
}

namespace {

std::mutex g_lock;
std::vector<CMediaType> g_offered;
std::map<CLSID, int> g_made;

class CFakePin final : public CBasePin {
public:
    CFakePin(CFakeFilter* filter, const FakePin& desc)
        : CBasePin(filter, desc.name.c_str(), desc.direction), desc_(desc)
    {
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (desc_.direction == PINDIR_INPUT) {
            std::lock_guard<std::mutex> g(g_lock);
            g_offered.push_back(*type);
        }
        if (desc_.refuseAll || (desc_.refuseFormatNone && type->formattype == FORMAT_None)) return S_FALSE;
        for (const auto& [major, sub] : desc_.types) {
            bool majorOk = major == GUID_NULL || major == type->majortype;
            bool subOk = sub == GUID_NULL || sub == type->subtype;
            if (majorOk && subOk) return S_OK;
        }
        return S_FALSE;
    }

    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (desc_.direction != PINDIR_OUTPUT) return VFW_S_NO_MORE_ITEMS;
        if (position < 0) return E_INVALIDARG;
        if (static_cast<size_t>(position) >= desc_.types.size()) return VFW_S_NO_MORE_ITEMS;
        type->Reset();
        type->SetType(desc_.types[static_cast<size_t>(position)].first);
        type->SetSubtype(desc_.types[static_cast<size_t>(position)].second);
        return S_OK;
    }

private:
    FakePin desc_;
};

constexpr int kSlots = 16;

// The descriptions of the declared fakes, by factory slot.
std::vector<FakeDesc>& Slots()
{
    static std::vector<FakeDesc> slots(kSlots);
    return slots;
}

// One class factory per slot, each knowing its number.
template <int N>
HRESULT CreateFake(IUnknown* outer, REFIID riid, void** object)
{
    FakeDesc desc;
    {
        std::lock_guard<std::mutex> g(g_lock);
        desc = Slots()[N];
    }
    if (desc.clsid == GUID_NULL) return CLASS_E_CLASSNOTAVAILABLE;
    return CreateComObject<CFakeFilter>(outer, riid, object, desc);
}

template <int... N>
std::array<CClassFactory, sizeof...(N)> MakeFactories(std::integer_sequence<int, N...>)
{
    return {CClassFactory(&CreateFake<N>)...};
}

CClassFactory* Factory(int slot)
{
    static std::array<CClassFactory, kSlots> factories = MakeFactories(std::make_integer_sequence<int, kSlots>{});
    return &factories[static_cast<size_t>(slot)];
}

}  // namespace

CFakeFilter::CFakeFilter(IUnknown* outer, const FakeDesc& desc)
    : CBaseFilter(desc.name.c_str(), outer, desc.clsid), desc_(desc)
{
    for (const FakePin& p : desc.pins) pins_.push_back(std::make_unique<CFakePin>(this, p));
    std::lock_guard<std::mutex> g(g_lock);
    ++g_made[desc.clsid];
}

CFakeFilter::~CFakeFilter() = default;

CBasePin* CFakeFilter::GetPin(int n)
{
    if (n < 0 || n >= GetPinCount()) return nullptr;
    return pins_[static_cast<size_t>(n)].get();
}

std::vector<CMediaType> CFakeFilter::OfferedTypes()
{
    std::lock_guard<std::mutex> g(g_lock);
    return g_offered;
}

void CFakeFilter::ClearOffered()
{
    std::lock_guard<std::mutex> g(g_lock);
    g_offered.clear();
    g_made.clear();
}

int CFakeFilter::Made(const CLSID& clsid)
{
    std::lock_guard<std::mutex> g(g_lock);
    auto it = g_made.find(clsid);
    return it == g_made.end() ? 0 : it->second;
}

ComPtr<IBaseFilter> MakeFake(const FakeDesc& desc)
{
    ComPtr<IBaseFilter> f;
    CreateComObject<CFakeFilter>(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(f.GetAddressOf()), desc);
    return f;
}

void FakeFilterTest::SetUp()
{
    SystemFilterTest::SetUp();
    CFakeFilter::ClearOffered();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.GetAddressOf())),
              S_OK);
}

void FakeFilterTest::TearDown()
{
    graph.Reset();
    ComPtr<IFilterMapper2> mapper;
    CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_ALL, IID_IFilterMapper2,
                     reinterpret_cast<void**>(mapper.GetAddressOf()));
    for (const CLSID& c : registered_) {
        if (mapper) mapper->UnregisterFilter(nullptr, nullptr, c);
        CoRevokeClassFactory(c);
    }
    {
        std::lock_guard<std::mutex> g(g_lock);
        for (FakeDesc& slot : Slots()) slot = FakeDesc{};
    }
    SystemFilterTest::TearDown();
}

void FakeFilterTest::Declare(const FakeDesc& desc, DWORD merit, bool registered)
{
    int slot = -1;
    {
        std::lock_guard<std::mutex> g(g_lock);
        for (int n = 0; n < kSlots && slot < 0; ++n)
            if (Slots()[static_cast<size_t>(n)].clsid == GUID_NULL) slot = n;
        ASSERT_GE(slot, 0) << "too many fakes in one test";
        Slots()[static_cast<size_t>(slot)] = desc;
    }
    ASSERT_EQ(CoRegisterClassFactory(desc.clsid, Factory(slot)), S_OK);
    registered_.push_back(desc.clsid);
    if (!registered) return;
    // The registration's pins as REGFILTER2 of version 2.
    std::vector<std::vector<REGPINTYPES>> types;
    std::vector<REGFILTERPINS2> pins;
    for (const FakePin& p : desc.pins) {
        std::vector<REGPINTYPES> t;
        for (const auto& pair : p.types) t.push_back(REGPINTYPES{&pair.first, &pair.second});
        types.push_back(std::move(t));
    }
    for (size_t i = 0; i < desc.pins.size(); ++i) {
        REGFILTERPINS2 pin{};
        pin.dwFlags = desc.pins[i].direction == PINDIR_OUTPUT ? REG_PINFLAG_B_OUTPUT : 0;
        pin.nMediaTypes = static_cast<UINT>(types[i].size());
        pin.lpMediaType = types[i].data();
        pins.push_back(pin);
    }
    REGFILTER2 rf{};
    rf.dwVersion = 2;
    rf.dwMerit = merit;
    rf.cPins2 = static_cast<ULONG>(pins.size());
    rf.rgPins2 = pins.data();
    ComPtr<IFilterMapper2> mapper;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_ALL, IID_IFilterMapper2,
                               reinterpret_cast<void**>(mapper.GetAddressOf())),
              S_OK);
    ASSERT_EQ(mapper->RegisterFilter(desc.clsid, desc.name.c_str(), nullptr, nullptr, nullptr, &rf), S_OK);
}
