// The interfaces shared with the maker's modules: every method the program
// calls sits at its place in the compiled method table, the C form of each
// table reaches the same methods, and the places the program never calls
// answer E_NOTIMPL in the modules' base.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "modules/api/OutsideFilterModules.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace {

// The place of a virtual method in its interface's method table, read from
// its member-function pointer as the Itanium C++ ABI lays it out: for a
// virtual method the pointer field holds 1 plus the byte offset of its slot
// (and the adjustment is 0 for an interface of single inheritance).
template <class Method>
long PlaceOf(Method method)
{
    struct Raw {
        uintptr_t ptr;
        ptrdiff_t adj;
    };
    static_assert(sizeof(Method) == sizeof(Raw));
    Raw raw;
    std::memcpy(&raw, &method, sizeof raw);
    if ((raw.ptr & 1) == 0 || raw.adj != 0) return -1;
    return static_cast<long>((raw.ptr - 1) / sizeof(void*));
}

// A method through the C form of the table, every argument zero.
template <class... A>
HRESULT CallSlot(HRESULT (*slot)(void*, A...), void* object)
{
    return slot(object, A{}...);
}

// One entry of an interface's list, as compiled.
struct SListedMethod {
    int place;
    std::string name;
    bool called;
    long compiledPlace;
    // Calls the method through the C form of the object's table.
    HRESULT (*call)(void* object);
};

struct SInterfaceTable {
    const char* name;
    std::vector<SListedMethod> (*list)();
    // An object that records every method and one built on UncalledPlaces
    // that records only the called ones; each keeps the place of the last
    // method run.
    void* (*makeRecorder)();
    void* (*makePartial)();
    int (*lastRun)(void* object);
    void (*destroy)(void* recorder, void* partial);
};

#define RECORD_METHOD(place, name, params) \
    HRESULT name params override           \
    {                                      \
        last = place;                      \
        return S_OK;                       \
    }
#define RECORD_NOTHING(place, name, params)
#define ROW(place, name, called)                                   \
    SListedMethod{place, #name, called, PlaceOf(&Interface::name), \
                  [](void* o) { return CallSlot((*static_cast<ModuleMethodTable<Interface>**>(o))->name, o); }},
#define ROW_CALLED(place, name, params) ROW(place, name, true)
#define ROW_UNCALLED(place, name, params) ROW(place, name, false)

#define INTERFACE_TABLE(Interface_, METHODS)                                              \
    namespace table_##Interface_                                                          \
    {                                                                                     \
        using Interface = Interface_;                                                     \
        struct Recorder final : Interface {                                               \
            int last = -1;                                                                \
            HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }     \
            ULONG AddRef() override { return 1; }                                         \
            ULONG Release() override { return 1; }                                        \
            METHODS(RECORD_METHOD, RECORD_METHOD)                                         \
        };                                                                                \
        struct Partial final : UncalledPlaces<Interface> {                                \
            int last = -1;                                                                \
            HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }     \
            ULONG AddRef() override { return 1; }                                         \
            ULONG Release() override { return 1; }                                        \
            METHODS(RECORD_METHOD, RECORD_NOTHING)                                        \
        };                                                                                \
        std::vector<SListedMethod> List() { return {METHODS(ROW_CALLED, ROW_UNCALLED)}; } \
        SInterfaceTable Table()                                                           \
        {                                                                                 \
            return {#Interface_,                                                          \
                    List,                                                                 \
                    []() -> void* { return static_cast<Interface*>(new Recorder); },      \
                    []() -> void* { return static_cast<Interface*>(new Partial); },       \
                    [](void* o) {                                                         \
                        auto* i = static_cast<Interface*>(o);                             \
                        if (auto* r = dynamic_cast<Recorder*>(i)) return r->last;         \
                        return dynamic_cast<Partial*>(i)->last;                           \
                    },                                                                    \
                    [](void* r, void* p) {                                                \
                        delete dynamic_cast<Recorder*>(static_cast<Interface*>(r));       \
                        delete dynamic_cast<Partial*>(static_cast<Interface*>(p));        \
                    }};                                                                   \
        }                                                                                 \
    }

INTERFACE_TABLE(IVideoFilterControl, RIVO_IVIDEOFILTERCONTROL_METHODS)
INTERFACE_TABLE(IAudioFilterControl, RIVO_IAUDIOFILTERCONTROL_METHODS)
INTERFACE_TABLE(IAviSourceOption, RIVO_IAVISOURCEOPTION_METHODS)
INTERFACE_TABLE(IMp4SourceControl, RIVO_IMP4SOURCECONTROL_METHODS)
INTERFACE_TABLE(IWriterSettings, RIVO_IWRITERSETTINGS_METHODS)
INTERFACE_TABLE(IAviWriterFormat, RIVO_IAVIWRITERFORMAT_METHODS)
INTERFACE_TABLE(IMp4WriterFormat, RIVO_IMP4WRITERFORMAT_METHODS)
INTERFACE_TABLE(IOgmWriterFormat, RIVO_IOGMWRITERFORMAT_METHODS)
INTERFACE_TABLE(IAsfWriterProfile, RIVO_IASFWRITERPROFILE_METHODS)

// The methods the program calls, by place, written out apart from the
// interfaces' lists.
struct SCalledPlace {
    const char* interfaceName;
    int place;
    long compiledPlace;
};
#define AT(Interface, place, name)                   \
    {                                                \
#Interface, place, PlaceOf(&Interface::name) \
    }
const SCalledPlace kCalledPlaces[] = {
    AT(IVideoFilterControl, 7, SetVideoAspectMode),
    AT(IVideoFilterControl, 9, SetVideoAspectRatio),
    AT(IVideoFilterControl, 19, SetVideoLogo),
    AT(IVideoFilterControl, 21, SetVideoFilterSubtitle),
    AT(IVideoFilterControl, 23, SetSubtitleEnabled),
    AT(IVideoFilterControl, 25, SetSubtitlePosX),
    AT(IVideoFilterControl, 27, SetSubtitlePosY),
    AT(IVideoFilterControl, 29, SetSubtitleMarginX),
    AT(IVideoFilterControl, 31, SetSubtitleMarginY),
    AT(IVideoFilterControl, 33, SetSubtitleCharSpace),
    AT(IVideoFilterControl, 35, SetSubtitleLineSpace),
    AT(IVideoFilterControl, 39, SetSubtitleStyle),
    AT(IVideoFilterControl, 59, SetVideoFlip),
    AT(IVideoFilterControl, 63, SetVideoDeblockMode),
    AT(IVideoFilterControl, 65, SetVideoDeblockStrength),
    AT(IVideoFilterControl, 67, SetVideoBlurEnabled),
    AT(IVideoFilterControl, 69, SetVideoBlurStrength),
    AT(IVideoFilterControl, 71, SetVideoSharpenEnabled),
    AT(IVideoFilterControl, 73, SetVideoSharpenStrength),
    AT(IVideoFilterControl, 81, SetVideoDeinterlace),
    AT(IVideoFilterControl, 83, SetVideoBrightness),
    AT(IVideoFilterControl, 85, SetVideoContrast),
    AT(IVideoFilterControl, 87, SetVideoSaturation),
    AT(IVideoFilterControl, 89, SetVideoHue),
    AT(IVideoFilterControl, 91, SetVideoResizeA),
    AT(IVideoFilterControl, 93, SetVideoResizeB),
    AT(IVideoFilterControl, 97, SetVideoResizeC),
    AT(IVideoFilterControl, 99, SetVideoSize),
    AT(IVideoFilterControl, 123, SetVideoPresetA),
    AT(IVideoFilterControl, 125, SetVideoPresetB),
    AT(IVideoFilterControl, 129, SetVideoPresetC),
    AT(IVideoFilterControl, 131, QueryVideoFilterSubtitleInfo),
    AT(IVideoFilterControl, 138, SetVideoFrameRate),
    AT(IAudioFilterControl, 7, SetAudioChannels),
    AT(IAudioFilterControl, 9, SetAudioBitsPerSample),
    AT(IAudioFilterControl, 11, SetAudioSampleRate),
    AT(IAudioFilterControl, 12, GetAudioSampleRate),
    AT(IAudioFilterControl, 13, SetAudioPlaybackRate),
    AT(IAudioFilterControl, 15, SetAudioPitchFix),
    AT(IAudioFilterControl, 21, SetAudioGainLimit),
    AT(IAudioFilterControl, 29, GetAudioStreamCount),
    AT(IAudioFilterControl, 30, GetAudioStreamInfo),
    AT(IAudioFilterControl, 31, SetAudioStream),
    AT(IAudioFilterControl, 32, GetCurrentAudioStream),
    AT(IAudioFilterControl, 35, SetAudioDspModule),
    AT(IAudioFilterControl, 41, SetAudioNormalize),
    AT(IAudioFilterControl, 43, SetAudioNormalizeLevel),
    AT(IAudioFilterControl, 45, SetAudioPresetA),
    AT(IAudioFilterControl, 65, SetAudioSyncDelay),
    AT(IAudioFilterControl, 67, SetAudioAmplify),
    AT(IAviSourceOption, 3, SetOption),
    AT(IMp4SourceControl, 4, NotifyRelease),
    AT(IWriterSettings, 3, GetEncodedPosition),
    AT(IWriterSettings, 4, GetEncodedDuration),
    AT(IWriterSettings, 5, SetFrameRate),
    AT(IWriterSettings, 7, SetPriority),
    AT(IWriterSettings, 9, SetPlaybackRate),
    AT(IWriterSettings, 11, SetPassMode),
    AT(IWriterSettings, 12, GetPassMode),
    AT(IWriterSettings, 13, SetPreview),
    AT(IAviWriterFormat, 3, SetCodecSettings),
    AT(IMp4WriterFormat, 3, SetCodecSettings),
    AT(IOgmWriterFormat, 3, SetCodecSettings),
    AT(IOgmWriterFormat, 5, SetChannel),
    AT(IAsfWriterProfile, 3, SetProfile),
};

const SInterfaceTable kInterfaces[] = {
    table_IVideoFilterControl::Table(), table_IAudioFilterControl::Table(), table_IAviSourceOption::Table(),
    table_IMp4SourceControl::Table(),   table_IWriterSettings::Table(),     table_IAviWriterFormat::Table(),
    table_IMp4WriterFormat::Table(),    table_IOgmWriterFormat::Table(),    table_IAsfWriterProfile::Table(),
};

TEST(ModuleInterfaces, CalledMethodsStandAtTheirPlaces)
{
    for (const SCalledPlace& c : kCalledPlaces) EXPECT_EQ(c.place, c.compiledPlace) << c.interfaceName;
}

TEST(ModuleInterfaces, ListsHoldEveryPlaceOnceAndCallTheCalledOnesOnly)
{
    for (const SInterfaceTable& t : kInterfaces) {
        SCOPED_TRACE(t.name);
        std::set<int> called;
        for (const SCalledPlace& c : kCalledPlaces)
            if (std::string(c.interfaceName) == t.name) called.insert(c.place);
        ASSERT_FALSE(called.empty());

        std::vector<SListedMethod> list = t.list();
        ASSERT_EQ(static_cast<size_t>(*called.rbegin() - 2), list.size()) << "places 3 to the last called one";
        for (size_t i = 0; i < list.size(); ++i) {
            const SListedMethod& m = list[i];
            EXPECT_EQ(static_cast<int>(i) + 3, m.place) << m.name;
            EXPECT_EQ(m.place, m.compiledPlace) << m.name;
            EXPECT_EQ(called.count(m.place) == 1, m.called) << m.name;
            if (!m.called) {
                EXPECT_TRUE(m.name == "Reserved" + std::to_string(m.place) || m.name.rfind("Get", 0) == 0) << m.name;
            }
        }
    }
}

TEST(ModuleInterfaces, TheCTableReachesTheSameMethods)
{
    for (const SInterfaceTable& t : kInterfaces) {
        SCOPED_TRACE(t.name);
        void* recorder = t.makeRecorder();
        void* partial = t.makePartial();
        for (const SListedMethod& m : t.list()) {
            EXPECT_EQ(S_OK, m.call(recorder)) << m.name;
            EXPECT_EQ(m.place, t.lastRun(recorder)) << m.name;

            int before = t.lastRun(partial);
            if (m.called) {
                EXPECT_EQ(S_OK, m.call(partial)) << m.name;
                EXPECT_EQ(m.place, t.lastRun(partial)) << m.name;
            } else {
                EXPECT_EQ(E_NOTIMPL, m.call(partial)) << m.name;
                EXPECT_EQ(before, t.lastRun(partial)) << m.name;
            }
        }
        t.destroy(recorder, partial);
    }
}

TEST(ModuleInterfaces, IdentifiersOfTheInterfacesAndClasses)
{
    struct Case {
        GUID id;
        const wchar_t* text;
    };
    const Case cases[] = {
        {IID_IVideoFilterControl, L"{4248B615-E69E-446D-B060-74DE04FC6E51}"},
        {CLSID_HalvaneVideoFilter, L"{4248B616-E69E-446D-B060-74DE04FC6E51}"},
        {IID_IAudioFilterControl, L"{7CA92688-F7AA-4067-B7EE-8693FB265085}"},
        {CLSID_HalvaneAudioFilter, L"{7CA92689-F7AA-4067-B7EE-8693FB265085}"},
        {IID_IAviSourceOption, L"{6BA9DD11-09B9-4C8B-89A8-8AC445601214}"},
        {IID_IMp4SourceControl, L"{D18284FF-DE51-4F33-A9BB-A8D3AE4B66BB}"},
        {IID_IWriterSettings, L"{F79310DB-D891-429F-93F3-CD0320DCBE0E}"},
        {IID_IAviWriterFormat, L"{A91A64AD-7594-4E1D-8D6E-39837CDF3B37}"},
        {IID_IMp4WriterFormat, L"{86A96742-2419-4EAC-9F1B-FA996342F3F2}"},
        {IID_IOgmWriterFormat, L"{8F4F7CD5-F805-4915-8E9A-4AA586AA7117}"},
        {CLSID_HalvaneOgmWriter, L"{8F4F7CD4-F805-4915-8E9A-4AA586AA7117}"},
        {IID_IAsfWriterProfile, L"{D68CCB8E-D1A2-40B7-925E-52C3267B2A6A}"},
        {CLSID_HalvaneAviWriter, kAviWriterClassText},
        {CLSID_HalvaneMp4Writer, kMp4WriterClassText},
        {CLSID_HalvaneAsfWriter, kAsfWriterClassText},
    };
    for (const Case& c : cases) {
        GUID parsed{};
        ASSERT_TRUE(GuidFromString(c.text, &parsed)) << std::wstring(c.text);
        EXPECT_EQ(c.id, parsed) << std::wstring(c.text);
    }
}

}  // namespace
