// Filters that only connect, for the connect search's tests: each has the
// pins a test describes (names, directions, the types an input takes and an
// output offers), runs no data, and is made through a class factory under
// the class id the test gives it and, when asked, registered with the
// filter mapper at a merit. Input pins log every type they are offered.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/GraphInterfaces.h"
#include "tests/platform/dshow/MediaFiles.h"

using TypePairs = std::vector<std::pair<GUID, GUID>>;

struct FakePin {
    std::wstring name;
    PIN_DIRECTION direction = PINDIR_INPUT;
    TypePairs types;                // GUID_NULL in an input's pair takes anything there
    bool refuseFormatNone = false;  // an input that refuses types with FORMAT_None
    bool refuseAll = false;         // registered for its types, but takes none
};

struct FakeDesc {
    CLSID clsid{};
    std::wstring name;
    std::vector<FakePin> pins;
};

// Fake major types and subtypes, unknown to every system filter.
extern const GUID kTypeX, kTypeY, kTypeZ, kSubA, kSubB;

class CFakeFilter final : public CBaseFilter {
public:
    CFakeFilter(IUnknown* outer, const FakeDesc& desc);
    ~CFakeFilter() override;
    int GetPinCount() override { return static_cast<int>(pins_.size()); }
    CBasePin* GetPin(int n) override;
    const FakeDesc& Desc() const { return desc_; }

    // Every type an input of any fake was offered, in order.
    static std::vector<CMediaType> OfferedTypes();
    static void ClearOffered();
    // Fakes made so far, by class id.
    static int Made(const CLSID& clsid);

private:
    FakeDesc desc_;
    std::vector<std::unique_ptr<CBasePin>> pins_;
};

// A counted fake (for a test to add to a graph itself).
ComPtr<IBaseFilter> MakeFake(const FakeDesc& desc);

// The component runtime and system filters (SystemFilterTest), plus the
// fakes: Declare gives a description a class factory and, with a merit, a
// registration; TearDown takes the registrations back.
class FakeFilterTest : public SystemFilterTest {
protected:
    void SetUp() override;
    void TearDown() override;
    void Declare(const FakeDesc& desc, DWORD merit = 0, bool registered = true);
    ComPtr<IGraphBuilder> graph;

private:
    std::vector<CLSID> registered_;
};

// Test class ids.
CLSID FakeClsid(int n);
