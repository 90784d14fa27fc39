// Direct connection of pins with and without a media type, refusals that
// leave both pins untouched, and the pin and type enumerators.
#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/dshow/MediaGuids.h"
#include "tests/platform/dshow/SyntheticFilters.h"

namespace {

struct Filters {
    ComPtr<IBaseFilter> source, transform, sink, audioSink;
    CSyntheticSource* src;
    CPassTransform* pass;
    CCollectSink* snk;
    CCollectSink* audio;
    Filters()
    {
        SyntheticStreamSetup video;
        video.major = MEDIATYPE_Video;
        src = CSyntheticSource::Create({video});
        pass = CPassTransform::Create(MEDIATYPE_Video);
        snk = CCollectSink::Create(GUID_NULL);
        audio = CCollectSink::Create(MEDIATYPE_Audio);
        source.Attach(src);
        transform.Attach(pass);
        sink.Attach(snk);
        audioSink.Attach(audio);
    }
    // Connected pins hold each other's filters: like a graph, the test
    // breaks the connections before letting go.
    ~Filters()
    {
        for (IBaseFilter* f : {source.Get(), transform.Get(), sink.Get(), audioSink.Get()}) {
            f->Stop();
            ComPtr<IEnumPins> pins;
            f->EnumPins(pins.GetAddressOf());
            IPin* pin = nullptr;
            while (pins->Next(1, &pin, nullptr) == S_OK) {
                pin->Disconnect();
                pin->Release();
            }
        }
    }
    IPin* Out() { return src->GetPin(0); }
};

bool Unconnected(IPin* pin)
{
    IPin* peer = reinterpret_cast<IPin*>(1);
    HRESULT hr = pin->ConnectedTo(&peer);
    return hr == VFW_E_NOT_CONNECTED && peer == nullptr;
}

}  // namespace

TEST(PinConnectionTest, ConnectsWithoutATypeOnTheFirstTypeBothAccept)
{
    Filters f;
    IPin* in = f.snk->GetPin(0);
    ASSERT_EQ(f.Out()->Connect(in, nullptr), S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(f.Out()->ConnectedTo(peer.GetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), in);
    ASSERT_EQ(in->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), f.Out());
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(in->ConnectionMediaType(&type), S_OK);
    EXPECT_TRUE(IsEqualMediaType(type, MakeTestType(MEDIATYPE_Video)));
    FreeMediaType(type);
    EXPECT_EQ(f.Out()->Connect(in, nullptr), VFW_E_ALREADY_CONNECTED);

    EXPECT_EQ(f.Out()->Disconnect(), S_OK);
    EXPECT_EQ(f.Out()->Disconnect(), S_FALSE);
    EXPECT_EQ(in->Disconnect(), S_OK);
    EXPECT_TRUE(Unconnected(f.Out()));
    EXPECT_TRUE(Unconnected(in));
}

TEST(PinConnectionTest, TypeGivenOrPartialDecidesAndRefusalsLeaveNoTrace)
{
    struct Case {
        const char* what;
        CMediaType type;
        bool useType;
        HRESULT expected;
    };
    CMediaType audioPartial(MEDIATYPE_Audio);
    CMediaType videoPartial(MEDIATYPE_Video);
    CMediaType wrongSub = MakeTestType(MEDIATYPE_Video);
    wrongSub.SetSubtype(MEDIASUBTYPE_RGB24);
    Case cases[] = {
        {"complete type", MakeTestType(MEDIATYPE_Video), true, S_OK},
        {"partial matching", videoPartial, true, S_OK},
        {"partial of another major type", audioPartial, true, VFW_E_NO_ACCEPTABLE_TYPES},
        {"complete type the source refuses", wrongSub, true, VFW_E_TYPE_NOT_ACCEPTED},
    };
    for (auto& c : cases) {
        Filters f;
        IPin* in = f.snk->GetPin(0);
        EXPECT_EQ(f.Out()->Connect(in, c.useType ? &c.type : nullptr), c.expected) << c.what;
        if (FAILED(c.expected)) {
            EXPECT_TRUE(Unconnected(f.Out())) << c.what;
            EXPECT_TRUE(Unconnected(in)) << c.what;
            EXPECT_EQ(f.src->GetPin(0)->CurrentMediaType().majortype, GUID_NULL) << c.what;
        }
    }
}

TEST(PinConnectionTest, RefusesWrongDirectionsStatesAndReceivers)
{
    Filters f;
    IPin* sinkIn = f.snk->GetPin(0);
    // The receiving pin's own check refuses: a video source to an audio sink.
    EXPECT_EQ(f.Out()->Connect(f.audio->GetPin(0), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_TRUE(Unconnected(f.audio->GetPin(0)));
    // Connections start at output pins and end at input pins.
    EXPECT_EQ(sinkIn->Connect(f.Out(), nullptr), E_UNEXPECTED);
    EXPECT_EQ(f.Out()->Connect(f.pass->GetPin(1), nullptr), VFW_E_INVALID_DIRECTION);
    // A transform's output has nothing to offer before its input is connected.
    EXPECT_TRUE(FAILED(f.pass->GetPin(1)->Connect(sinkIn, nullptr)));
    EXPECT_TRUE(Unconnected(sinkIn));
    // Only stopped filters connect.
    ASSERT_EQ(f.sink->Pause(), S_OK);
    EXPECT_EQ(f.Out()->Connect(sinkIn, nullptr), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(Unconnected(f.Out()));
    CMediaType video = MakeTestType(MEDIATYPE_Video);
    EXPECT_EQ(sinkIn->ReceiveConnection(f.Out(), &video), VFW_E_NOT_STOPPED);
    ASSERT_EQ(f.sink->Stop(), S_OK);
    EXPECT_EQ(f.Out()->Connect(sinkIn, nullptr), S_OK);
}

TEST(PinConnectionTest, EnumeratorsFollowPinsAndTypes)
{
    Filters f;
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(f.transform->EnumPins(pins.GetAddressOf()), S_OK);
    IPin* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    PIN_DIRECTION d0, d1;
    got[0]->QueryDirection(&d0);
    got[1]->QueryDirection(&d1);
    EXPECT_EQ(d0, PINDIR_INPUT);
    EXPECT_EQ(d1, PINDIR_OUTPUT);
    PIN_INFO info{};
    ASSERT_EQ(got[1]->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, f.transform.Get());
    EXPECT_STREQ(info.achName, L"Out");
    info.pFilter->Release();
    ComPtr<IPin> found;
    EXPECT_EQ(f.transform->FindPin(L"Out", found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), got[1]);
    EXPECT_EQ(f.transform->FindPin(L"Nope", found.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);

    // The output's types appear when the input connects; an enumerator
    // made before sees that it is out of date.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(got[1]->EnumMediaTypes(types.GetAddressOf()), S_OK);
    AM_MEDIA_TYPE* t = nullptr;
    EXPECT_EQ(types->Next(1, &t, nullptr), S_FALSE);
    ASSERT_EQ(f.Out()->Connect(got[0], nullptr), S_OK);
    EXPECT_EQ(types->Next(1, &t, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    ASSERT_EQ(types->Reset(), S_OK);
    ASSERT_EQ(types->Next(1, &t, nullptr), S_OK);
    EXPECT_TRUE(IsEqualMediaType(*t, MakeTestType(MEDIATYPE_Video)));
    DeleteMediaType(t);
    got[0]->Release();
    got[1]->Release();

    // Through the transform to the sink, on the type the input settled.
    ASSERT_EQ(f.pass->GetPin(1)->Connect(f.snk->GetPin(0), nullptr), S_OK);
}
