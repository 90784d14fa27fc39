// Fonts made at test time and a private fontconfig configuration that holds
// them, so that tests of the font enumeration and of the controls over it
// see fonts of known kinds and names whatever the machine has installed.
#pragma once

#include <string>
#include <vector>

struct _FcConfig;

namespace gui_test {

// Writes a bitmap (BDF) font of one glyph with the family name.
void WriteBitmapFont(const std::string& path, const std::string& family);
// Copies an installed TrueType font with every occurrence of its family name
// (in the name table's one- and two-byte forms) replaced by a name of the
// same length; false when the source is missing or the lengths differ.
bool WriteRenamedFont(const std::string& source, const std::string& path, const std::string& from,
                      const std::string& to);

// The path of an installed font file, "" when it is not installed.
std::string InstalledFontFile(const std::string& fileName);

// A fontconfig configuration of only the given font files, handed to the
// font enumeration while the object lives.
class PrivateFontConfiguration {
public:
    explicit PrivateFontConfiguration(const std::vector<std::string>& files);
    ~PrivateFontConfiguration();
    PrivateFontConfiguration(const PrivateFontConfiguration&) = delete;
    PrivateFontConfiguration& operator=(const PrivateFontConfiguration&) = delete;
    // False when a file was not taken as a font.
    bool ok() const { return ok_; }

private:
    _FcConfig* config_ = nullptr;
    bool ok_ = true;
};

}  // namespace gui_test
