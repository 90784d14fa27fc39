#include "modules/hvf/LogoPicture.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/dshow/DShowTypes.h"
#include "platform/dshow/PictureMemory.h"
#include "platform/win32/NativePath.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

// Logo files are small pictures; anything larger is refused unread.
constexpr size_t kMaxFileBytes = 64u << 20;
constexpr int kMaxSide = 4096;

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // rows of width x pixel bytes, top-down
};

AVCodecID CodecOfFile(const std::string& bytes)
{
    auto starts = [&](const char* sig, size_t n) {
        return bytes.size() >= n && std::memcmp(bytes.data(), sig, n) == 0;
    };
    if (starts("BM", 2)) return AV_CODEC_ID_BMP;
    if (starts("\x89PNG\r\n\x1a\n", 8)) return AV_CODEC_ID_PNG;
    if (starts("\xFF\xD8\xFF", 3)) return AV_CODEC_ID_MJPEG;
    return AV_CODEC_ID_NONE;
}

HRESULT ReadImageFile(const std::string& path, std::string* bytes, std::string* error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        *error = path + ": " + std::strerror(errno);
        return errno == ENOENT || errno == ENOTDIR ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : E_ACCESSDENIED;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + ": not a regular file";
        return VFW_E_INVALID_FILE_FORMAT;
    }
    if (static_cast<size_t>(st.st_size) > kMaxFileBytes) {
        *error = path + ": too large for a logo";
        return VFW_E_INVALID_FILE_FORMAT;
    }
    if (!ReadWholeFile(path, bytes, kMaxFileBytes)) {
        *error = path + ": cannot be read";
        return E_ACCESSDENIED;
    }
    return S_OK;
}

// Decodes the file's picture and converts it to the format, at the given
// size (0: the picture's own).
HRESULT DecodeImage(const std::string& bytes, const std::string& path, AVPixelFormat target, int width, int height,
                    DecodedImage* image, std::string* error)
{
    AVCodecID id = CodecOfFile(bytes);
    const AVCodec* codec = id != AV_CODEC_ID_NONE ? avcodec_find_decoder(id) : nullptr;
    if (!codec) {
        *error = path + ": not a BMP, PNG or JPEG picture";
        return VFW_E_INVALID_FILE_FORMAT;
    }
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* scaler = nullptr;
    HRESULT hr = E_OUTOFMEMORY;
    if (context && packet && frame && av_new_packet(packet, static_cast<int>(bytes.size())) >= 0) {
        std::memcpy(packet->data, bytes.data(), bytes.size());
        context->thread_count = 1;
        // A header that claims a huge picture is refused before its memory is
        // taken.
        context->max_pixels = static_cast<int64_t>(kMaxSide) * kMaxSide;
        bool decoded = avcodec_open2(context, codec, nullptr) >= 0 && avcodec_send_packet(context, packet) >= 0 &&
                       avcodec_send_packet(context, nullptr) >= 0 && avcodec_receive_frame(context, frame) >= 0;
        if (!decoded || frame->width <= 0 || frame->height <= 0 || frame->width > kMaxSide ||
            frame->height > kMaxSide) {
            *error = path + ": the picture cannot be decoded";
            hr = VFW_E_INVALID_FILE_FORMAT;
        } else {
            image->width = width > 0 ? width : frame->width;
            image->height = height > 0 ? height : frame->height;
            // JPEG pictures come in full-range formats that the scaler wants
            // named as their plain form with the range set apart.
            AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
            bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
            switch (format) {
            case AV_PIX_FMT_YUVJ420P:
                format = AV_PIX_FMT_YUV420P;
                fullRange = true;
                break;
            case AV_PIX_FMT_YUVJ422P:
                format = AV_PIX_FMT_YUV422P;
                fullRange = true;
                break;
            case AV_PIX_FMT_YUVJ444P:
                format = AV_PIX_FMT_YUV444P;
                fullRange = true;
                break;
            case AV_PIX_FMT_YUVJ440P:
                format = AV_PIX_FMT_YUV440P;
                fullRange = true;
                break;
            default: break;
            }
            scaler = sws_getContext(frame->width, frame->height, format, image->width, image->height, target,
                                    SWS_BICUBIC, nullptr, nullptr, nullptr);
            if (scaler && fullRange) {
                const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
                sws_setColorspaceDetails(scaler, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
            }
            // The scaler writes past a row's end: it converts into a
            // picture laid out for it, whose rows are then packed.
            PictureBuffer converted;
            if (!scaler) {
                *error = path + ": the picture's format cannot be converted";
                hr = VFW_E_INVALID_FILE_FORMAT;
            } else if (!converted.Allocate(target, image->width, image->height)) {
                *error = path + ": no memory to decode it";
            } else {
                sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, converted.Planes(),
                          converted.LineSizes());
                int rowBytes = image->width * (target == AV_PIX_FMT_GRAY8 ? 1 : 4);
                image->bytes.resize(static_cast<size_t>(rowBytes) * image->height);
                av_image_copy_plane(image->bytes.data(), rowBytes, converted.Planes()[0], converted.LineSizes()[0],
                                    rowBytes, image->height);
                hr = S_OK;
            }
        }
    } else {
        *error = path + ": no memory to decode it";
    }
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return hr;
}

}  // namespace

HRESULT LogoPicture::Load(const std::string& imagePath, const std::string& maskPath,
                          std::shared_ptr<const LogoPicture>* picture, std::string* error)
{
    std::string ignored;
    if (!error) error = &ignored;
    if (!picture) return E_POINTER;
    picture->reset();
    std::string image, mask;
    HRESULT hr = ReadImageFile(imagePath, &image, error);
    if (SUCCEEDED(hr) && !maskPath.empty()) hr = ReadImageFile(maskPath, &mask, error);
    if (FAILED(hr)) return hr;
    return FromBytes(image, imagePath, mask, maskPath, picture, error);
}

HRESULT LogoPicture::FromBytes(const std::string& imageBytes, const std::string& imageName,
                               const std::string& maskBytes, const std::string& maskName,
                               std::shared_ptr<const LogoPicture>* picture, std::string* error)
{
    std::string ignored;
    if (!error) error = &ignored;
    if (!picture) return E_POINTER;
    picture->reset();
    DecodedImage image;
    // BGRA bytes are 0xAARRGGBB words on this little-endian machine.
    HRESULT hr = DecodeImage(imageBytes, imageName, AV_PIX_FMT_BGRA, 0, 0, &image, error);
    if (FAILED(hr)) return hr;
    auto logo = std::make_shared<LogoPicture>();
    logo->m_width = image.width;
    logo->m_height = image.height;
    logo->m_pixels.resize(static_cast<size_t>(image.width) * image.height);
    std::memcpy(logo->m_pixels.data(), image.bytes.data(), logo->m_pixels.size() * 4);
    if (!maskName.empty()) {
        DecodedImage mask;
        hr = DecodeImage(maskBytes, maskName, AV_PIX_FMT_GRAY8, image.width, image.height, &mask, error);
        if (FAILED(hr)) return hr;
        for (size_t i = 0; i < logo->m_pixels.size(); ++i)
            logo->m_pixels[i] = (logo->m_pixels[i] & 0xFFFFFFu) | static_cast<uint32_t>(mask.bytes[i]) << 24;
    }
    *picture = std::move(logo);
    return S_OK;
}
