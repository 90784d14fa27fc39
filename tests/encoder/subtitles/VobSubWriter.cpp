#include "VobSubWriter.h"

#include <algorithm>
#include <cstdio>

void SpuPicture::Box(int x, int y, int w, int h, uint8_t value)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) At(i, j) = value;
}

namespace {

void PutBe16(std::string& s, int v)
{
    s += static_cast<char>((v >> 8) & 0xFF);
    s += static_cast<char>(v & 0xFF);
}

// One line as run-length codes, padded to a whole byte.
void EncodeLine(const SpuPicture& p, int y, bool fillLineEnd, std::vector<uint8_t>& nibbles)
{
    int x = 0;
    while (x < p.width) {
        const uint8_t value = p.At(x, y);
        int run = 1;
        while (x + run < p.width && p.At(x + run, y) == value && run < 255) ++run;
        const bool last = x + run == p.width;
        if (last && fillLineEnd) {
            nibbles.insert(nibbles.end(), {0, 0, 0, value});
        } else {
            const int code = (run << 2) | value;
            if (run < 4) {
                nibbles.push_back(static_cast<uint8_t>(code));
            } else if (run < 16) {
                nibbles.insert(nibbles.end(), {uint8_t(code >> 4), uint8_t(code & 15)});
            } else if (run < 64) {
                nibbles.insert(nibbles.end(), {uint8_t(code >> 8), uint8_t((code >> 4) & 15), uint8_t(code & 15)});
            } else {
                nibbles.insert(nibbles.end(), {uint8_t(code >> 12), uint8_t((code >> 8) & 15),
                                               uint8_t((code >> 4) & 15), uint8_t(code & 15)});
            }
        }
        x += run;
    }
    if (nibbles.size() % 2) nibbles.push_back(0);
}

std::string EncodeField(const SpuPicture& p, int firstLine, bool fillLineEnds)
{
    std::vector<uint8_t> nibbles;
    for (int y = firstLine; y < p.height; y += 2) EncodeLine(p, y, fillLineEnds, nibbles);
    std::string bytes;
    for (size_t i = 0; i < nibbles.size(); i += 2) bytes += static_cast<char>((nibbles[i] << 4) | nibbles[i + 1]);
    return bytes;
}

std::string PtsBytes(int64_t pts)
{
    std::string s;
    s += static_cast<char>(0x21 | ((pts >> 29) & 0x0E));
    s += static_cast<char>((pts >> 22) & 0xFF);
    s += static_cast<char>(((pts >> 14) & 0xFE) | 1);
    s += static_cast<char>((pts >> 7) & 0xFF);
    s += static_cast<char>(((pts << 1) & 0xFE) | 1);
    return s;
}

std::string PackHeader()
{
    // MPEG-2 pack header: SCR 0, mux rate, no stuffing.
    return std::string("\x00\x00\x01\xBA\x44\x00\x04\x00\x04\x01\x01\x89\xC3\xF8", 14);
}

}  // namespace

std::string BuildSpuUnit(const SpuUnit& u)
{
    const std::string top = EncodeField(u.picture, 0, u.fillLineEnds);
    const std::string bottom = EncodeField(u.picture, 1, u.fillLineEnds);
    const int topOffset = 4;
    const int bottomOffset = topOffset + static_cast<int>(top.size());
    const int control = bottomOffset + static_cast<int>(bottom.size());

    std::string commands;
    commands += static_cast<char>(u.forced ? 0x00 : 0x01);
    if (u.withColours) {
        commands += '\x03';
        PutBe16(commands, u.paletteIndices);
        commands += '\x04';
        PutBe16(commands, u.contrasts);
    }
    const int x2 = u.x + u.picture.width - 1;
    const int y2 = u.y + u.picture.height - 1;
    commands += '\x05';
    commands += static_cast<char>(u.x >> 4);
    commands += static_cast<char>(((u.x & 15) << 4) | (x2 >> 8));
    commands += static_cast<char>(x2 & 0xFF);
    commands += static_cast<char>(u.y >> 4);
    commands += static_cast<char>(((u.y & 15) << 4) | (y2 >> 8));
    commands += static_cast<char>(y2 & 0xFF);
    commands += '\x06';
    PutBe16(commands, topOffset);
    PutBe16(commands, bottomOffset);
    commands += '\xFF';

    std::string sequences;
    const int first = control;
    const int second = first + 4 + static_cast<int>(commands.size());
    if (u.stopDelay >= 0) {
        PutBe16(sequences, 0);
        PutBe16(sequences, second);
        sequences += commands;
        PutBe16(sequences, u.stopDelay);
        PutBe16(sequences, second);  // the last sequence points at itself
        sequences += "\x02\xFF";
    } else {
        PutBe16(sequences, 0);
        PutBe16(sequences, first);
        sequences += commands;
    }
    std::string unit;
    PutBe16(unit, 4 + static_cast<int>(top.size() + bottom.size() + sequences.size()));
    PutBe16(unit, control);
    return unit + top + bottom + sequences;
}

std::vector<std::string> PackSpuUnit(const std::string& unit, int language, int64_t timeMs)
{
    std::vector<std::string> blocks;
    size_t pos = 0;
    bool first = true;
    while (pos < unit.size()) {
        const std::string stamp = first ? PtsBytes(timeMs * 90) : std::string();
        // Pack header, PES start code and length, two flag bytes, header
        // length, time stamp, sub-stream id.
        const size_t fixed = 14 + 6 + 3 + stamp.size() + 1;
        const size_t chunk = std::min(unit.size() - pos, 2048 - fixed);
        size_t left = 2048 - fixed - chunk;
        std::string stuffing, padding;
        if (left > 0 && left < 6) {
            stuffing.assign(left, '\xFF');
        } else if (left >= 6) {
            padding = std::string("\x00\x00\x01\xBE", 4);
            PutBe16(padding, static_cast<int>(left - 6));
            padding.append(left - 6, '\xFF');
        }
        const std::string header = stamp + stuffing;
        std::string pes("\x00\x00\x01\xBD", 4);
        PutBe16(pes, static_cast<int>(3 + header.size() + 1 + chunk));
        pes += '\x81';
        pes += static_cast<char>(first ? 0x80 : 0x00);
        pes += static_cast<char>(header.size());
        pes += header;
        pes += static_cast<char>(0x20 + language);
        pes += unit.substr(pos, chunk);
        blocks.push_back(PackHeader() + pes + padding);
        pos += chunk;
        first = false;
    }
    return blocks;
}

int64_t VobSubStream::Add(const std::string& unit, int language, int64_t timeMs)
{
    const int64_t at = static_cast<int64_t>(data_.size());
    for (const std::string& block : PackSpuUnit(unit, language, timeMs)) data_ += block;
    return at;
}

std::string TimestampLine(int64_t ms, int64_t filepos)
{
    const int64_t a = ms < 0 ? -ms : ms;
    char line[96];
    std::snprintf(line, sizeof(line), "timestamp: %s%02lld:%02lld:%02lld:%03lld, filepos: %09llx", ms < 0 ? "-" : "",
                  static_cast<long long>(a / 3600000), static_cast<long long>(a / 60000 % 60),
                  static_cast<long long>(a / 1000 % 60), static_cast<long long>(a % 1000),
                  static_cast<long long>(filepos));
    return line;
}

std::string PaletteText(const std::vector<uint32_t>& palette, const char* separator)
{
    std::string text;
    for (size_t i = 0; i < palette.size(); ++i) {
        char c[8];
        std::snprintf(c, sizeof(c), "%06x", palette[i] & 0xFFFFFF);
        if (i) text += separator;
        text += c;
    }
    return text;
}

std::vector<std::string> IndexSettings(int version, int width, int height, const std::vector<uint32_t>& palette,
                                       const std::vector<std::string>& extra)
{
    std::vector<std::string> lines = {
        "size: " + std::to_string(width) + "x" + std::to_string(height),
        "org: 0, 0",
        version > 4 ? "scale: 100%, 100%" : "scale: 100%",
        "alpha: 100%",
        "smooth: OFF",
        "fadein/out: 50, 50",
        "align: OFF at LEFT TOP",
        "time offset: 0",
        "forced subs: OFF",
    };
    if (!palette.empty()) lines.push_back("palette: " + PaletteText(palette, ", "));
    lines.push_back("custom colors: OFF, tridx: 0000, colors: 000000, 000000, 000000, 000000");
    lines.insert(lines.end(), extra.begin(), extra.end());
    return lines;
}

std::string IndexText(int version, const std::vector<std::string>& settings,
                      const std::vector<IndexLanguage>& languages)
{
    std::string text = "# VobSub index file, v" + std::to_string(version) + " (do not modify this line!)\r\n#\r\n";
    for (const auto& line : settings) text += line + "\r\n";
    for (const auto& language : languages) {
        text += "\r\n# " + language.code + "\r\nid: " + language.code + ", index: " + std::to_string(language.index) +
                "\r\n";
        for (const auto& line : language.lines) text += line + "\r\n";
    }
    return text;
}

std::string BuildIfo(const uint8_t ycrcb[16][3])
{
    // Sector 1 holds the program chain table; its first chain lies 0x100
    // bytes in, and the palette 164 bytes into the chain.
    std::string ifo(2048 + 0x100 + 164 + 64, '\0');
    ifo.replace(0, 12, "DVDVIDEO-VTS");
    ifo[207] = 1;
    ifo[2048 + 12 + 2] = 0x01;  // 0x00000100
    for (int i = 0; i < 16; ++i) {
        size_t at = 2048 + 0x100 + 164 + static_cast<size_t>(i) * 4;
        ifo[at + 1] = static_cast<char>(ycrcb[i][0]);
        ifo[at + 2] = static_cast<char>(ycrcb[i][1]);
        ifo[at + 3] = static_cast<char>(ycrcb[i][2]);
    }
    return ifo;
}
