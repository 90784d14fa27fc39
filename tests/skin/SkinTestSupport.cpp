#include "tests/skin/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "skin/HXManAlign.h"
#include "tests/support/TempDir.h"

namespace skin_test {

Element::Element(const std::string& xml) { EXPECT_TRUE(doc_.LoadFromMemory(xml.data(), xml.size())) << xml; }

COLORREF Pixel(const HDib& dib, int x, int y)
{
    const BYTE* p = dib.PixelAddress(x, y);
    if (!p) return static_cast<COLORREF>(-2);
    switch (dib.GetBitCount()) {
    case 24:
    case 32: return RGB(p[2], p[1], p[0]);
    case 16: {
        const unsigned w = static_cast<unsigned>(p[0] | (p[1] << 8));
        return RGB(static_cast<BYTE>(((w >> 10) & 31) * 255 / 31), static_cast<BYTE>(((w >> 5) & 31) * 255 / 31),
                   static_cast<BYTE>((w & 31) * 255 / 31));
    }
    default: {
        int index = dib.GetBitCount() == 8   ? *p
                    : dib.GetBitCount() == 4 ? ((x & 1) ? (*p & 0x0F) : (*p >> 4))
                                             : ((*p >> (7 - (x & 7))) & 1);
        std::vector<RGBQUAD> palette(static_cast<size_t>(dib.GetPaletteSize()));
        dib.GetColorTable(palette.data());
        if (index >= static_cast<int>(palette.size())) return 0;
        const RGBQUAD& q = palette[static_cast<size_t>(index)];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    }
}

void SetPixel24(HDib& dib, int x, int y, COLORREF color)
{
    BYTE* p = dib.PixelAddress(x, y);
    if (!p) return;
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
    if (dib.GetBitCount() == 32) p[3] = 0;
}

void SetIndex(HDib& dib, int x, int y, int index)
{
    BYTE* p = dib.PixelAddress(x, y);
    if (!p) return;
    switch (dib.GetBitCount()) {
    case 8: *p = static_cast<BYTE>(index); break;
    case 4: *p = static_cast<BYTE>((x & 1) ? ((*p & 0xF0) | (index & 15)) : ((*p & 0x0F) | ((index & 15) << 4))); break;
    default: {
        const BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
        *p = static_cast<BYTE>((index & 1) ? (*p | bit) : (*p & ~bit));
    }
    }
}

std::string BmpBytes(int width, int height, int bitCount, DWORD compression, const std::vector<RGBQUAD>& palette,
                     const std::vector<BYTE>& data)
{
    std::string out;
    auto put16 = [&](unsigned v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>((v >> 8) & 0xFF); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const uint32_t offBits = 54 + static_cast<uint32_t>(palette.size()) * 4;
    out += "BM";
    put32(offBits + static_cast<uint32_t>(data.size()));
    put32(0);
    put32(offBits);
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(static_cast<unsigned>(bitCount));
    put32(compression);
    put32(static_cast<uint32_t>(data.size()));
    put32(2835);
    put32(2835);
    put32(static_cast<uint32_t>(palette.size()));
    put32(0);
    for (const RGBQUAD& q : palette) {
        out += static_cast<char>(q.rgbBlue);
        out += static_cast<char>(q.rgbGreen);
        out += static_cast<char>(q.rgbRed);
        out += static_cast<char>(q.rgbReserved);
    }
    out.append(reinterpret_cast<const char*>(data.data()), data.size());
    return out;
}

std::string Bmp24(int width, int height, const std::function<COLORREF(int, int)>& color)
{
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> data(static_cast<size_t>(stride) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = color(x, y);
            BYTE* p =
                &data[static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return BmpBytes(width, height, 24, 0, {}, data);
}

std::string SolidBmp(int width, int height, COLORREF color)
{
    return Bmp24(width, height, [color](int, int) { return color; });
}

std::string CellStripBmp(int cellWidth, int height, const std::vector<COLORREF>& cells)
{
    return Bmp24(cellWidth * static_cast<int>(cells.size()), height,
                 [&](int x, int) { return cells[static_cast<size_t>(x / cellWidth)]; });
}

void WriteFiles(const std::string& folder, const std::map<std::string, std::string>& files)
{
    RunTool("mkdir -p '" + folder + "'");
    for (const auto& [name, bytes] : files) {
        const std::string path = folder + "/" + name;
        const size_t slash = path.rfind('/');
        RunTool("mkdir -p '" + path.substr(0, slash) + "'");
        WriteBytes(path, bytes);
    }
}

bool ZipFolder(const std::string& folder, const std::string& archive)
{
    int code = 0;
    const std::string output =
        RunTool("rm -f '" + archive + "' && cd '" + folder + "' && zip -q -r -X '" + archive + "' . 2>&1", &code);
    if (code != 0) ADD_FAILURE() << "zip failed: " << output;
    return code == 0;
}

bool ClaimAGigabytePerEntry(const std::string& archive)
{
    int code = 0;
    const std::string out = RunTool(
        "python3 -c \"import struct,sys\n"
        "d=bytearray(open(sys.argv[1],'rb').read())\n"
        "for sig,off in ((b'PK\\x03\\x04',22),(b'PK\\x01\\x02',24)):\n"
        "  i=d.find(sig)\n"
        "  while i>=0:\n"
        "    struct.pack_into('<I',d,i+off,1<<30); i=d.find(sig,i+4)\n"
        "open(sys.argv[1],'wb').write(d)\" '" +
            archive + "' 2>&1",
        &code);
    EXPECT_EQ(0, code) << out;
    return code == 0;
}

CString FakeSkinOwner::ResolveText(const CString& text)
{
    auto it = texts.find(text.str());
    return it == texts.end() ? text : CString(it->second);
}

HDib* FakeSkinOwner::GetImage(const CString& name)
{
    imageRequests.push_back(name.str());
    auto it = images.find(name.str());
    return it == images.end() ? nullptr : it->second.get();
}

HXSubFont* FakeSkinOwner::FindFont(const CString& name)
{
    auto it = fonts.find(name.str());
    return it == fonts.end() ? nullptr : it->second;
}

HCURSOR FakeSkinOwner::FindCursor(const CString& name)
{
    auto it = cursors.find(name.str());
    return it == cursors.end() ? nullptr : it->second;
}

int FakeSkinOwner::SetControlTimer(HXConBase* control, int key, int interval)
{
    timers.push_back({control, key, interval});
    return 1;
}

LRESULT FakeSkinOwner::NotifyApplication(WPARAM code, LPARAM data)
{
    notifications.emplace_back(code, data);
    return 77;
}

bool FakeSkinOwner::FindControlId(const CString& name, int& id)
{
    auto it = controlIds.find(name.str());
    if (it == controlIds.end()) return false;
    id = it->second;
    return true;
}

HXConBase* FakeSkinOwner::FindControl(int id)
{
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
}

HXManAlign* FakeSkinOwner::FindLayoutNode(const HXConBase* control)
{
    return layout ? layout->FindNode(control) : nullptr;
}

void FakeSkinOwner::Relayout() { ++relayouts; }

int FakeSkinOwner::GetSkinSource(CString& path, int& resource, int& isPacked)
{
    if (skinPath.empty()) return 0;
    path = CString(skinPath);
    resource = 0;
    isPacked = packed;
    return 1;
}

int FakeSkinOwner::UnpackSkin(CString& folder)
{
    if (!packed) return 0;
    ++unpacks;
    folder = CString(unpackFolder);
    return 1;
}

}  // namespace skin_test
