#include "FontFixtures.h"

#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/win32/gui/FontEnumeration.h"

namespace gui_test {
namespace {

std::string ReadAll(const std::string& path, bool* ok)
{
    std::ifstream in(path, std::ios::binary);
    *ok = static_cast<bool>(in);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ReplaceAll(std::string& bytes, const std::string& from, const std::string& to)
{
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
}

// The name table's two-byte form: UTF-16BE of an ASCII name.
std::string Utf16Be(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += '\0';
        out += c;
    }
    return out;
}

}  // namespace

void WriteBitmapFont(const std::string& path, const std::string& family)
{
    std::ostringstream bdf;
    bdf << "STARTFONT 2.1\n"
        << "FONT -rivo-" << family << "-medium-r-normal--10-100-75-75-c-60-iso10646-1\n"
        << "SIZE 10 75 75\nFONTBOUNDINGBOX 6 10 0 -2\nSTARTPROPERTIES 5\n"
        << "FAMILY_NAME \"" << family << "\"\nWEIGHT_NAME \"Medium\"\nSLANT \"R\"\n"
        << "FONT_ASCENT 8\nFONT_DESCENT 2\nENDPROPERTIES\nCHARS 1\n"
        << "STARTCHAR A\nENCODING 65\nSWIDTH 600 0\nDWIDTH 6 0\nBBX 6 10 0 -2\nBITMAP\n";
    for (const char* row : {"00", "30", "48", "84", "84", "FC", "84", "84", "00", "00"}) bdf << row << "\n";
    bdf << "ENDCHAR\nENDFONT\n";
    std::ofstream(path, std::ios::binary) << bdf.str();
}

bool WriteRenamedFont(const std::string& source, const std::string& path, const std::string& from,
                      const std::string& to)
{
    if (from.size() != to.size()) return false;
    bool ok = false;
    std::string bytes = ReadAll(source, &ok);
    if (!ok || bytes.find(Utf16Be(from)) == std::string::npos) return false;
    ReplaceAll(bytes, Utf16Be(from), Utf16Be(to));
    ReplaceAll(bytes, from, to);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string InstalledFontFile(const std::string& fileName)
{
    for (const char* folder : {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/truetype/nanum/"}) {
        std::string path = folder + fileName;
        if (std::filesystem::exists(path)) return path;
    }
    return std::string();
}

PrivateFontConfiguration::PrivateFontConfiguration(const std::vector<std::string>& files) : config_(FcConfigCreate())
{
    for (const std::string& file : files)
        if (!FcConfigAppFontAddFile(config_, reinterpret_cast<const FcChar8*>(file.c_str()))) ok_ = false;
    win32_gui::SetFontConfiguration(config_);
}

PrivateFontConfiguration::~PrivateFontConfiguration()
{
    win32_gui::SetFontConfiguration(nullptr);
    FcConfigDestroy(config_);
}

}  // namespace gui_test
