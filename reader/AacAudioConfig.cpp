#include "AacAudioConfig.h"

namespace {

constexpr uint32_t kSampleRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                       22050, 16000, 12000, 11025, 8000,  7350};
// Channels of each channel configuration; 0 where the configuration names
// none.
constexpr uint32_t kChannels[16] = {0, 1, 2, 3, 4, 5, 6, 8, 0, 0, 0, 7, 8, 24, 8, 0};

// Most significant bit first; reading past the end sets a flag instead.
class BitReader {
public:
    BitReader(const uint8_t* bytes, size_t count) : m_bytes(bytes), m_bits(count * 8) {}
    uint32_t Read(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (m_position >= m_bits) {
                m_overrun = true;
                return 0;
            }
            v = (v << 1) | ((m_bytes[m_position / 8] >> (7 - m_position % 8)) & 1u);
            ++m_position;
        }
        return v;
    }
    bool Overrun() const { return m_overrun; }

private:
    const uint8_t* m_bytes;
    size_t m_bits;
    size_t m_position = 0;
    bool m_overrun = false;
};

uint32_t ReadObjectType(BitReader& in)
{
    uint32_t type = in.Read(5);
    return type == 31 ? 32 + in.Read(6) : type;
}

uint32_t ReadSampleRate(BitReader& in)
{
    uint32_t index = in.Read(4);
    if (index == 15) return in.Read(24);
    return index < 13 ? kSampleRates[index] : 0;
}

}  // namespace

bool AacAudioConfig::Parse(const uint8_t* bytes, size_t count, AacAudioConfig& out)
{
    if (!bytes) return false;
    BitReader in(bytes, count);
    AacAudioConfig c;
    c.objectType = ReadObjectType(in);
    c.sampleRate = ReadSampleRate(in);
    c.channels = kChannels[in.Read(4)];
    if (in.Overrun()) return false;
    // Explicit SBR (and SBR with parametric stereo) names the output rate
    // next.
    if (c.objectType == 5 || c.objectType == 29) {
        uint32_t extension = ReadSampleRate(in);
        if (!in.Overrun() && extension != 0) c.sampleRate = extension;
    }
    out = c;
    return true;
}
