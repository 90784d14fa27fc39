#include "VobSubFuzzTargets.h"

#include <string>
#include <vector>

#include "encoder/subtitles/VobSubFile.h"
#include "platform/com/ComRuntime.h"
#include "tests/encoder/subtitles/VobSubWriter.h"

namespace {

const std::vector<uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0x404040, 0xC0C0C0,
                                        0x203040, 0xF0E0D0, 0x336699, 0x996633, 0x10F080, 0x8010F0, 0xF08010, 0x7F7F7F};

POSITION Pos(uintptr_t n) { return reinterpret_cast<POSITION>(n); }

// Good units for languages 0 and 1 at the stream's first packs.
const std::string& GoodStream()
{
    static const std::string stream = [] {
        VobSubStream s;
        SpuUnit a;
        a.picture = SpuPicture(30, 12, 1);
        a.picture.Box(3, 3, 10, 4, 2);
        a.x = 40;
        a.y = 400;
        a.stopDelay = 90;
        s.Add(BuildSpuUnit(a), 0, 1000);
        a.forced = true;
        a.fillLineEnds = true;
        s.Add(BuildSpuUnit(a), 1, 1500);
        return s.Data();
    }();
    return stream;
}

// Asks the provider everything the video filter and the windows would.
void Exercise(CVobSubFile& file, int targetWidth, int targetHeight)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(targetWidth) * targetHeight);
    SubPicSurface target;
    target.width = targetWidth;
    target.height = targetHeight;
    target.pitch = targetWidth * 4;
    target.bitsPerPixel = 32;
    target.bits = reinterpret_cast<BYTE*>(pixels.data());
    const int streams = file.GetStreamCount();
    for (int s = -1; s <= streams && s < 4; ++s) {
        file.SetStream(s);
        WCHAR* name = nullptr;
        LCID lcid = 0;
        if (file.GetStreamInfo(s, &name, &lcid) == S_OK) CoTaskMemFree(name);
        file.GetStream();
        int steps = 0;
        for (POSITION pos = file.GetFirstPosition(); pos && steps < 64; pos = file.GetNextPosition(pos), ++steps) {
            REFERENCE_TIME t = 0;
            RECT drawn;
            file.GetStartTime(pos, &t);
            file.GetDuration(pos, &t);
            file.GetPicture(pos, &target, &drawn);
            file.GetPrevPosition(pos);
        }
        const uintptr_t last = reinterpret_cast<uintptr_t>(file.GetLastPosition());
        RECT drawn;
        file.GetPicture(Pos(last + 1), &target, &drawn);
        POSITION hint = nullptr;
        for (REFERENCE_TIME t : {REFERENCE_TIME(0), REFERENCE_TIME(12000000), REFERENCE_TIME(-1), INT64_MAX})
            hint = file.FindPosition(hint, t);
        file.FindPosition(Pos(last + 5), 15000000);
    }
    file.SetTimeOffset(INT64_MIN);
    file.FindPosition(nullptr, INT64_MIN);
}

}  // namespace

int FuzzVobSubIndex(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    std::wstring text;
    if (data[0] & 1) {
        // The bytes as they are.
        text.assign(data + 1, data + size);
    } else {
        // A header of the chosen version, then one line per input line whose
        // first byte picks the key, so that values get tried for every key.
        static const wchar_t* const kKeys[] = {
            L"size",        L"org",         L"scale",         L"alpha",   L"smooth",        L"fadein/out", L"align",
            L"time offset", L"forced subs", L"langidx",       L"palette", L"custom colors", L"id",         L"alt",
            L"delay",       L"timestamp",   L"# Vob/Cell ID", L"",        L"unknown"};
        text = L"# VobSub index file, v" + std::to_wstring((data[0] >> 1) % 10) + L"\n";
        size_t at = 1;
        while (at < size) {
            size_t end = at;
            while (end < size && data[end] != '\n') ++end;
            if (end > at) {
                const wchar_t* key = kKeys[data[at] % std::size(kKeys)];
                text += *key ? std::wstring(key) + L": " : std::wstring();
                text.append(data + at + 1, data + end);
                text += L'\n';
            }
            at = end + 1;
        }
    }
    CVobSubFile parsed;
    if (!parsed.ParseVobSubIndex(CString(text))) return 0;
    const std::string& stream = GoodStream();
    // On the stack, with a reference of its own so that nothing deletes it.
    CVobSubFile file;
    file.AddRef();
    if (file.OpenFromMemory(CString(text), std::vector<BYTE>(stream.begin(), stream.end()))) Exercise(file, 360, 240);
    return 0;
}

int FuzzVobSubPackets(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const std::string payload(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<std::string> settings;
    if (flags & 0x02) settings.push_back("custom colors: ON, tridx: 1000, colors: 102030, 405060, 708090, a0b0c0");
    if (flags & 0x04) settings.push_back("scale: 50%, 250%");
    if (flags & 0x08) settings.push_back("align: ON at CENTER BOTTOM");
    if (flags & 0x10) settings.push_back("org: -700, 300");
    if (flags & 0x20) settings.push_back("forced subs: ON");
    std::string stream;
    std::vector<IndexLanguage> languages = {{"en", 0, {}}, {"ko", 1, {}}};
    if (flags & 0x01) {
        // The payload is the stream: a picture at every pack and at a few
        // positions that are not.
        stream = payload;
        for (size_t at = 0; at < stream.size() + 2048; at += 2048)
            for (auto& l : languages)
                l.lines.push_back(TimestampLine(static_cast<int64_t>(at), static_cast<int64_t>(at)));
        languages[0].lines.push_back(TimestampLine(9000, 14));
    } else {
        // The payload is one unit, packed for language 0.
        VobSubStream s;
        s.Add(payload, 0, 1000);
        s.Add(payload, 1, 2000);
        stream = s.Data();
        languages[0].lines.push_back(TimestampLine(1000, 0));
        const int64_t second = static_cast<int64_t>(stream.size() / 2);
        languages[1].lines.push_back(TimestampLine(2000, second - second % 2048));

        // The unit on its own, with and without trimming.
        if (payload.size() >= 4) {
            const auto* unit = reinterpret_cast<const BYTE*>(payload.data());
            const int control = (unit[2] << 8) | unit[3];
            DWORD palette[16];
            for (int i = 0; i < 16; ++i) palette[i] = kPalette[static_cast<size_t>(i)];
            const DWORD custom[4] = {0, 0xFF102030, 0x80405060, 0xFF708090};
            CVobSubImage image;
            image.Decode(unit, static_cast<int>(payload.size()), control, flags & 0x02, palette, custom, flags & 0x40);
        }
    }
    const std::string index = IndexText(7, IndexSettings(7, 720, 480, kPalette, settings), languages);
    CVobSubFile file;
    file.AddRef();
    if (file.OpenFromMemory(CString(std::wstring(index.begin(), index.end())),
                            std::vector<BYTE>(stream.begin(), stream.end())))
        Exercise(file, (flags & 0x80) ? 200 : 720, (flags & 0x80) ? 120 : 480);
    return 0;
}
