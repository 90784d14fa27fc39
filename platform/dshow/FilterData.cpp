#include "platform/dshow/FilterData.h"

#include <cstring>
#include <map>

#include "platform/com/ComRuntime.h"
#include "platform/win32/ByteOrder.h"

namespace {

constexpr size_t kHeaderBytes = 16;
constexpr size_t kPinBytes = 24;
constexpr size_t kTypeBytes = 16;
constexpr char kPinSignature[4] = {'0', 'p', 'i', '3'};
constexpr char kTypeSignature[4] = {'0', 't', 'y', '3'};

void Put32(std::string* out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A GUID stored little-endian field by field, as in memory on this machine.
void PutGuid(std::string* out, size_t at, const GUID& g)
{
    Put32(out, at, g.Data1);
    (*out)[at + 4] = static_cast<char>(g.Data2 & 0xFF);
    (*out)[at + 5] = static_cast<char>(g.Data2 >> 8);
    (*out)[at + 6] = static_cast<char>(g.Data3 & 0xFF);
    (*out)[at + 7] = static_cast<char>(g.Data3 >> 8);
    std::memcpy(&(*out)[at + 8], g.Data4, 8);
}

size_t AlignUp(size_t n) { return (n + 7) & ~static_cast<size_t>(7); }

}  // namespace

HRESULT FilterRegistrationFromRegFilter2(const REGFILTER2& data, FilterRegistration* out)
{
    if (!out) return E_POINTER;
    FilterRegistration reg;
    reg.merit = data.dwMerit;
    auto takeTypes = [](UINT count, const REGPINTYPES* types, FilterPinRegistration* pin) {
        if (count && !types) return false;
        for (UINT i = 0; i < count; ++i) {
            if (!types[i].clsMajorType || !types[i].clsMinorType) return false;
            pin->types.emplace_back(*types[i].clsMajorType, *types[i].clsMinorType);
        }
        return true;
    };
    if (data.dwVersion == 1) {
        if (data.cPins && !data.rgPins) return E_INVALIDARG;
        for (ULONG i = 0; i < data.cPins; ++i) {
            const REGFILTERPINS& p = data.rgPins[i];
            FilterPinRegistration pin;
            if (p.bRendered) pin.flags |= REG_PINFLAG_B_RENDERER;
            if (p.bOutput) pin.flags |= REG_PINFLAG_B_OUTPUT;
            if (p.bZero) pin.flags |= REG_PINFLAG_B_ZERO;
            if (p.bMany) pin.flags |= REG_PINFLAG_B_MANY;
            if (!takeTypes(p.nMediaTypes, p.lpMediaType, &pin)) return E_INVALIDARG;
            reg.pins.push_back(std::move(pin));
        }
    } else if (data.dwVersion == 2) {
        if (data.cPins2 && !data.rgPins2) return E_INVALIDARG;
        for (ULONG i = 0; i < data.cPins2; ++i) {
            const REGFILTERPINS2& p = data.rgPins2[i];
            if (p.nMediums) return E_INVALIDARG;
            FilterPinRegistration pin;
            pin.flags = p.dwFlags;
            pin.instances = p.cInstances;
            if (p.clsPinCategory) {
                pin.hasCategory = true;
                pin.category = *p.clsPinCategory;
            }
            if (!takeTypes(p.nMediaTypes, p.lpMediaType, &pin)) return E_INVALIDARG;
            reg.pins.push_back(std::move(pin));
        }
    } else {
        return E_INVALIDARG;
    }
    *out = std::move(reg);
    return S_OK;
}

HRESULT WriteFilterData(const FilterRegistration& registration, std::string* blob)
{
    if (!blob) return E_POINTER;
    size_t fixed = kHeaderBytes;
    for (const auto& pin : registration.pins) fixed += kPinBytes + pin.types.size() * kTypeBytes;
    // Each distinct GUID once, in order of first use.
    std::map<GUID, size_t> offsets;
    std::vector<GUID> order;
    auto place = [&](const GUID& g) {
        if (offsets.emplace(g, fixed + order.size() * 16).second) order.push_back(g);
    };
    for (const auto& pin : registration.pins) {
        if (pin.hasCategory) place(pin.category);
        for (const auto& [major, sub] : pin.types) {
            place(major);
            place(sub);
        }
    }
    size_t total = fixed + order.size() * 16;
    if (total > 0xFFFFFFFFu) return E_INVALIDARG;
    std::string out(total, '\0');
    Put32(&out, 0, 2);
    Put32(&out, 4, registration.merit);
    Put32(&out, 8, static_cast<uint32_t>(registration.pins.size()));
    size_t at = kHeaderBytes;
    for (const auto& pin : registration.pins) {
        std::memcpy(&out[at], kPinSignature, 4);
        Put32(&out, at + 4, pin.flags);
        Put32(&out, at + 8, pin.instances);
        Put32(&out, at + 12, static_cast<uint32_t>(pin.types.size()));
        Put32(&out, at + 16, 0);
        Put32(&out, at + 20, pin.hasCategory ? static_cast<uint32_t>(offsets[pin.category]) : 0);
        at += kPinBytes;
        for (const auto& [major, sub] : pin.types) {
            std::memcpy(&out[at], kTypeSignature, 4);
            Put32(&out, at + 8, static_cast<uint32_t>(offsets[major]));
            Put32(&out, at + 12, static_cast<uint32_t>(offsets[sub]));
            at += kTypeBytes;
        }
    }
    for (const GUID& g : order) {
        PutGuid(&out, at, g);
        at += 16;
    }
    *blob = std::move(out);
    return S_OK;
}

HRESULT ReadFilterData(const BYTE* data, size_t bytes, FilterRegistration* out)
{
    if (!data || !out) return E_POINTER;
    if (bytes < kHeaderBytes || LoadLE32(data) != 2) return E_INVALIDARG;
    auto guidAt = [&](uint32_t offset, GUID* g) {
        if (offset < kHeaderBytes || offset > bytes || bytes - offset < 16) return false;
        *g = LoadGuidLE(data + offset);
        return true;
    };
    FilterRegistration reg;
    reg.merit = LoadLE32(data + 4);
    uint32_t pins = LoadLE32(data + 8);
    // Each pin needs its header: a count the blob cannot hold is refused
    // before anything is reserved for it.
    if (pins > (bytes - kHeaderBytes) / kPinBytes) return E_INVALIDARG;
    size_t at = kHeaderBytes;
    for (uint32_t i = 0; i < pins; ++i) {
        if (bytes - at < kPinBytes) return E_INVALIDARG;
        FilterPinRegistration pin;
        pin.flags = LoadLE32(data + at + 4);
        pin.instances = LoadLE32(data + at + 8);
        uint32_t types = LoadLE32(data + at + 12);
        uint32_t mediums = LoadLE32(data + at + 16);
        uint32_t category = LoadLE32(data + at + 20);
        at += kPinBytes;
        if (mediums != 0) return E_INVALIDARG;
        if (category) {
            if (!guidAt(category, &pin.category)) return E_INVALIDARG;
            pin.hasCategory = true;
        }
        if (types > (bytes - at) / kTypeBytes) return E_INVALIDARG;
        for (uint32_t t = 0; t < types; ++t) {
            GUID major, sub;
            if (!guidAt(LoadLE32(data + at + 8), &major) || !guidAt(LoadLE32(data + at + 12), &sub))
                return E_INVALIDARG;
            pin.types.emplace_back(major, sub);
            at += kTypeBytes;
        }
        reg.pins.push_back(std::move(pin));
    }
    *out = std::move(reg);
    return S_OK;
}

BYTE* CreateRegFilter2Block(const FilterRegistration& registration)
{
    size_t pinCount = registration.pins.size();
    size_t typeCount = 0, guidCount = 0;
    for (const auto& pin : registration.pins) {
        typeCount += pin.types.size();
        guidCount += pin.types.size() * 2 + (pin.hasCategory ? 1 : 0);
    }
    size_t pinsAt = AlignUp(sizeof(REGFILTER2));
    size_t typesAt = AlignUp(pinsAt + pinCount * sizeof(REGFILTERPINS2));
    size_t guidsAt = AlignUp(typesAt + typeCount * sizeof(REGPINTYPES));
    size_t total = guidsAt + guidCount * sizeof(GUID);
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(total));
    if (!block) return nullptr;
    std::memset(block, 0, total);
    auto* head = reinterpret_cast<REGFILTER2*>(block);
    auto* pins = reinterpret_cast<REGFILTERPINS2*>(block + pinsAt);
    auto* types = reinterpret_cast<REGPINTYPES*>(block + typesAt);
    auto* guids = reinterpret_cast<GUID*>(block + guidsAt);
    head->dwVersion = 2;
    head->dwMerit = registration.merit;
    head->cPins2 = static_cast<ULONG>(pinCount);
    head->rgPins2 = pinCount ? pins : nullptr;
    for (size_t i = 0; i < pinCount; ++i) {
        const FilterPinRegistration& src = registration.pins[i];
        REGFILTERPINS2& dst = pins[i];
        dst.dwFlags = src.flags;
        dst.cInstances = src.instances;
        dst.nMediaTypes = static_cast<UINT>(src.types.size());
        dst.lpMediaType = src.types.empty() ? nullptr : types;
        if (src.hasCategory) {
            *guids = src.category;
            dst.clsPinCategory = guids++;
        }
        for (const auto& [major, sub] : src.types) {
            guids[0] = major;
            guids[1] = sub;
            types->clsMajorType = &guids[0];
            types->clsMinorType = &guids[1];
            guids += 2;
            ++types;
        }
    }
    return block;
}
