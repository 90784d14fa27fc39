// CLavSplitter: a splitter over the demultiplexing library that reads its
// container through IAsyncReader (pull mode) from the pin of a file source.
// Each kind of splitter is one class id with the byte-stream subtypes it
// takes and the library's demultiplexer for them; the catch-all kind takes
// any byte stream and lets the library find out what it holds. The
// container opens when the input pin connects (a byte stream the
// demultiplexer cannot read refuses the connection) and closes when it
// disconnects.
#pragma once

#include <memory>

#include "platform/com/ComPtr.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/filters/LavDemuxFilter.h"

struct SplitterKind {
    const CLSID* clsid;
    const wchar_t* name;
    // (subtype, demultiplexer name) pairs; an empty list takes any subtype.
    struct Input {
        const GUID* subtype;
        const char* format;
    };
    std::vector<Input> inputs;
};

// The kinds of splitter there are, in registration order.
const std::vector<SplitterKind>& SplitterKinds();

class CLavSplitter;

class CLavInputPin final : public CBasePin {
public:
    explicit CLavInputPin(CLavSplitter* splitter);

    HRESULT CheckMediaType(const CMediaType* type) override;
    // The other side must offer IAsyncReader.
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    // Nothing is pushed into a pin that pulls.
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }

private:
    CLavSplitter* splitter_;
};

class CLavSplitter final : public CLavDemuxFilter {
public:
    CLavSplitter(IUnknown* outer, const SplitterKind& kind);
    ~CLavSplitter() override;

    template <const CLSID& Clsid>
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object)
    {
        for (const SplitterKind& kind : SplitterKinds())
            if (*kind.clsid == Clsid) return CreateComObject<CLavSplitter>(outer, riid, object, kind);
        return CLASS_E_CLASSNOTAVAILABLE;
    }

    int GetPinCount() override { return 1 + OutputCount(); }
    CBasePin* GetPin(int n) override;

    const SplitterKind& Kind() const { return kind_; }
    // The demultiplexer for a subtype ("" to probe); false when the kind
    // does not take it.
    bool Takes(const GUID& subtype, const char** format) const;

private:
    friend class CLavInputPin;
    struct ReaderIo;

    HRESULT OpenReader(IAsyncReader* reader, const GUID& subtype);
    void CloseReader();

    const SplitterKind& kind_;
    std::unique_ptr<CLavInputPin> input_;
    std::unique_ptr<ReaderIo> reader_;
};
