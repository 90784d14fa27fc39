#include "VobSubImage.h"

#include <algorithm>
#include <new>

#include "platform/win32/ByteOrder.h"
namespace {

// The nibbles of one field, high nibble first, from its first byte up to the
// byte where the next part of the unit begins.
class FieldReader {
public:
    FieldReader(const BYTE* unit, int startByte, int endByte)
        : m_unit(unit), m_pos(static_cast<int64_t>(startByte) * 2), m_end(static_cast<int64_t>(endByte) * 2)
    {
    }

    bool Next(int* nibble)
    {
        if (m_pos >= m_end) return false;
        BYTE b = m_unit[m_pos >> 1];
        *nibble = (m_pos & 1) ? (b & 0x0F) : (b >> 4);
        ++m_pos;
        return true;
    }
    // Lines start on whole bytes.
    void SkipToByte() { m_pos = (m_pos + 1) & ~int64_t(1); }

private:
    const BYTE* m_unit;
    int64_t m_pos;
    int64_t m_end;
};

// One run-length code: 1 to 4 nibbles, the shorter forms for the shorter
// runs. False when the field ends inside the code.
bool ReadRunCode(FieldReader& field, int* code, bool* fillLine)
{
    int nibble = 0;
    *fillLine = false;
    if (!field.Next(&nibble)) return false;
    int v = nibble;
    if (v >= 0x4) return *code = v, true;
    if (!field.Next(&nibble)) return false;
    v = (v << 4) | nibble;
    if (v >= 0x10) return *code = v, true;
    if (!field.Next(&nibble)) return false;
    v = (v << 4) | nibble;
    if (v >= 0x40) return *code = v, true;
    if (!field.Next(&nibble)) return false;
    v = (v << 4) | nibble;
    *fillLine = v < 0x100;
    *code = v;
    return true;
}

}  // namespace

void CVobSubImage::ParseControl(const BYTE* unit, int size, int controlOffset)
{
    m_forced = false;
    m_hasStop = false;
    m_stopDelayMs = 0;
    m_rect = RECT{};
    m_fieldOffsets[0] = m_fieldOffsets[1] = 0;
    BYTE paletteIndex[4] = {};
    BYTE contrast[4] = {};

    if (unit && controlOffset >= 4) {
        const int first = controlOffset;
        int pos = controlOffset;
        while (pos + 4 <= size) {
            const int delay = LoadBE16(unit + pos);
            const int next = LoadBE16(unit + pos + 2);
            if (next > size || next < first) break;
            int p = pos + 4;
            bool endOfSequence = false;
            while (!endOfSequence && p < size) {
                const BYTE command = unit[p++];
                // Bytes of arguments each command takes.
                const int args = command == 0x03 || command == 0x04 ? 2 : command == 0x05 ? 6 : command == 0x06 ? 4 : 0;
                if (p + args > size) break;
                switch (command) {
                case 0x00: m_forced = true; break;
                case 0x01: m_forced = false; break;
                case 0x02:
                    m_hasStop = true;
                    m_stopDelayMs = static_cast<int64_t>(delay) * 1024 / 90;
                    break;
                case 0x03:
                    paletteIndex[3] = unit[p] >> 4;
                    paletteIndex[2] = unit[p] & 0x0F;
                    paletteIndex[1] = unit[p + 1] >> 4;
                    paletteIndex[0] = unit[p + 1] & 0x0F;
                    break;
                case 0x04:
                    contrast[3] = unit[p] >> 4;
                    contrast[2] = unit[p] & 0x0F;
                    contrast[1] = unit[p + 1] >> 4;
                    contrast[0] = unit[p + 1] & 0x0F;
                    break;
                case 0x05:
                    m_rect.left = (unit[p] << 4) | (unit[p + 1] >> 4);
                    m_rect.right = (((unit[p + 1] & 0x0F) << 8) | unit[p + 2]) + 1;
                    m_rect.top = (unit[p + 3] << 4) | (unit[p + 4] >> 4);
                    m_rect.bottom = (((unit[p + 4] & 0x0F) << 8) | unit[p + 5]) + 1;
                    break;
                case 0x06:
                    m_fieldOffsets[0] = static_cast<WORD>(LoadBE16(unit + p));
                    m_fieldOffsets[1] = static_cast<WORD>(LoadBE16(unit + p + 2));
                    break;
                default:  // 0xFF ends the sequence; so does anything unknown
                    endOfSequence = true;
                    break;
                }
                p += args;
            }
            // The last sequence points back at itself.
            if (next < p || next >= size) break;
            pos = next;
        }
    }
    for (int i = 0; i < 4; ++i) m_colors[i] = static_cast<BYTE>((contrast[i] << 4) | paletteIndex[i]);
}

bool CVobSubImage::Reserve(int w, int h)
{
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    const size_t trimmed = static_cast<size_t>(w + 2) * static_cast<size_t>(h + 2);
    try {
        if (m_pixels.size() < pixels) {
            m_pixels.clear();
            m_pixels.shrink_to_fit();
            m_pixels.resize(pixels);
        }
        if (m_trimmed.size() < trimmed) {
            m_trimmed.clear();
            m_trimmed.shrink_to_fit();
            m_trimmed.resize(trimmed);
        }
    } catch (const std::bad_alloc&) {
        m_pixels.clear();
        m_trimmed.clear();
        return false;
    }
    return true;
}

bool CVobSubImage::Decode(const BYTE* unit, int size, int controlOffset, bool customColorsOn, const DWORD palette[16],
                          const DWORD customColors[4], bool trim)
{
    m_width = m_height = 0;
    m_current = nullptr;
    if (!unit || size < 4 || controlOffset < 4 || controlOffset + 4 > size) return false;
    ParseControl(unit, size, controlOffset);
    const int top = m_fieldOffsets[0];
    const int bottom = m_fieldOffsets[1];
    if (top < 4 || bottom < 4 || top > controlOffset || bottom > controlOffset) return false;
    if (m_rect.right <= m_rect.left || m_rect.bottom <= m_rect.top) return false;
    const int w = m_rect.right - m_rect.left;
    int h = m_rect.bottom - m_rect.top;
    if (!Reserve(w, h)) return false;
    std::fill_n(m_pixels.begin(), static_cast<size_t>(w) * h, DWORD(0));

    DWORD colour[4];
    for (int i = 0; i < 4; ++i) {
        if (customColorsOn) {
            colour[i] = customColors[i];
        } else {
            const DWORD alpha = static_cast<DWORD>(m_colors[i] >> 4) * 17;
            colour[i] = (alpha << 24) | (palette[m_colors[i] & 0x0F] & 0x00FFFFFF);
        }
    }

    // The fields alternate line by line, the top field first.
    FieldReader fields[2] = {FieldReader(unit, top, bottom), FieldReader(unit, bottom, controlOffset)};
    int field = 0;
    int line = 0;
    int x = 0;
    while (line < h) {
        int code = 0;
        bool fillLine = false;
        if (!ReadRunCode(fields[field], &code, &fillLine)) break;
        const int end = fillLine ? w : std::min(w, x + (code >> 2));
        DWORD* row = m_pixels.data() + static_cast<size_t>(line) * w;
        std::fill(row + x, row + end, colour[code & 3]);
        x = end;
        if (x >= w || fillLine) {
            fields[field].SkipToByte();
            field ^= 1;
            x = 0;
            ++line;
        }
    }
    const int reached = line + (x > 0 ? 1 : 0);
    if (reached < h) {
        h = reached;
        m_rect.bottom = m_rect.top + h;
    }
    if (h <= 0) return false;

    m_width = w;
    m_height = h;
    m_current = m_pixels.data();
    if (trim) Trim();
    return true;
}

void CVobSubImage::Trim()
{
    int x0 = m_width, y0 = m_height, x1 = -1, y1 = -1;
    for (int y = 0; y < m_height; ++y) {
        const DWORD* row = m_pixels.data() + static_cast<size_t>(y) * m_width;
        for (int x = 0; x < m_width; ++x) {
            if ((row[x] >> 24) == 0) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    if (x1 < 0) return;  // transparent everywhere: the full rectangle stays

    const int boxWidth = x1 - x0 + 1;
    const int boxHeight = y1 - y0 + 1;
    const int tw = boxWidth + 2;
    const int th = boxHeight + 2;
    std::fill_n(m_trimmed.begin(), static_cast<size_t>(tw) * th, DWORD(0));
    for (int y = 0; y < boxHeight; ++y) {
        const DWORD* from = m_pixels.data() + static_cast<size_t>(y0 + y) * m_width + x0;
        std::copy_n(from, boxWidth, m_trimmed.data() + static_cast<size_t>(y + 1) * tw + 1);
    }
    m_rect = RECT{m_rect.left + x0 - 1, m_rect.top + y0 - 1, m_rect.left + x1 + 2, m_rect.top + y1 + 2};
    m_width = tw;
    m_height = th;
    m_current = m_trimmed.data();
}
