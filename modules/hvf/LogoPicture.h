// The logo's picture, read from its file (BMP, PNG or JPEG, decoded by the
// decoding library) with its opacity: from the alpha-mask picture when one
// is named (its brightness, scaled to the logo's size when the sizes
// differ), else the picture's own alpha channel, else fully opaque. Files
// above 64 MiB and pictures above 4096 pixels on a side are refused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/WinTypes.h"

class LogoPicture {
public:
    // S_OK with the picture; HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when
    // a file is missing, E_ACCESSDENIED when it cannot be read,
    // VFW_E_INVALID_FILE_FORMAT when it is no picture of those kinds or is
    // damaged, E_OUTOFMEMORY. *error says which file and why.
    static HRESULT Load(const std::string& imagePath, const std::string& maskPath,
                        std::shared_ptr<const LogoPicture>* picture, std::string* error);
    // The same from the files' bytes, already read (the names are for the
    // messages; an empty mask name means no mask).
    static HRESULT FromBytes(const std::string& image, const std::string& imageName, const std::string& mask,
                             const std::string& maskName, std::shared_ptr<const LogoPicture>* picture,
                             std::string* error);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // 0xAARRGGBB with straight alpha, rows top-down.
    const std::vector<uint32_t>& Pixels() const { return m_pixels; }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};
