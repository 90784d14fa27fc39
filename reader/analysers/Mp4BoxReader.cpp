#include "Mp4BoxReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/win32/CodePage.h"
#include "reader/ByteOrder.h"
#include "reader/ReaderHelpers.h"

namespace mp4 {

namespace {

constexpr DWORD kItemTypes[kItemCount] = {
    MAKEFOURCC('\xA9', 'n', 'a', 'm'), MAKEFOURCC('\xA9', 'A', 'R', 'T'), MAKEFOURCC('\xA9', 'w', 'r', 't'),
    MAKEFOURCC('\xA9', 'a', 'l', 'b'), MAKEFOURCC('\xA9', 'd', 'a', 'y'), MAKEFOURCC('\xA9', 't', 'o', 'o'),
    MAKEFOURCC('\xA9', 'c', 'm', 't'), MAKEFOURCC('\xA9', 'g', 'e', 'n'),
};

// The AudioSampleEntry fields after the entry header, and the extra fields
// of QuickTime sound descriptions of versions 1 and 2.
constexpr size_t kAudioEntryBytes = 28;
constexpr size_t kSoundV1ExtraBytes = 16;
constexpr size_t kSoundV2ExtraBytes = 36;
constexpr size_t kVisualEntryBytes = 78;
// The descriptor after the decoder configuration, and how much of it is kept
// (an AudioSpecificConfig needs a few bytes).
constexpr BYTE kDecoderSpecificInfoTag = 0x05;
constexpr uint64_t kDecoderSpecificInfoBytes = 64;

}  // namespace

bool ReadAtomHeader(BigEndianReader& in, AtomHeader& h, uint64_t fileEnd)
{
    h.start = in.GetFilePosition();
    DWORD size32 = 0;
    if (!in.ReadUInt32BE(size32) || (size32 == 0 && fileEnd == 0) || (size32 >= 2 && size32 <= 7)) return false;
    if (!in.ReadFourCC(h.type)) return false;
    h.size = size32;
    if (size32 == 0) {
        // The last box of the file, running to its end.
        if (fileEnd < h.start || fileEnd - h.start < 8) return false;
        h.size = fileEnd - h.start;
    } else if (size32 == 1) {
        QWORD size64 = 0;
        // A 64-bit size smaller than its own 16-byte header would not move
        // a walk forward.
        if (!in.ReadUInt64BE(size64) || size64 < 16) return false;
        h.size = size64;
    }
    if (h.size > std::numeric_limits<uint64_t>::max() - h.start) return false;
    h.end = h.start + h.size;
    return true;
}

bool Mp4BoxReader::ReadVersionFlags(VersionFlags& vf)
{
    BYTE b[4];
    if (!m_in.File().ReadExact(b, 4)) return false;
    vf.version = b[0];
    std::memcpy(vf.flags, b + 1, 3);
    return true;
}

bool Mp4BoxReader::Fits(uint64_t end, uint64_t bytes) const
{
    uint64_t pos = m_in.GetFilePosition();
    return pos <= end && bytes <= end - pos && bytes <= m_in.File().BytesLeft();
}

bool Mp4BoxReader::ReadVersionedTime(BYTE version, uint64_t& value)
{
    if (version == 1) return m_in.ReadUInt64BE(value);
    DWORD v = 0;
    if (!m_in.ReadUInt32BE(v)) return false;
    value = v;
    return true;
}

bool Mp4BoxReader::ReadMvhd(uint64_t, MovieHeader& out)
{
    MovieHeader h;
    if (!ReadVersionFlags(h.vf) || h.vf.version > 1) return false;
    const BYTE v = h.vf.version;
    if (!ReadVersionedTime(v, h.creationTime) || !ReadVersionedTime(v, h.modificationTime) ||
        !m_in.ReadUInt32BE(h.timescale) || !ReadVersionedTime(v, h.duration))
        return false;
    WORD reserved16 = 0;
    DWORD reserved = 0, predefined = 0;
    if (!m_in.ReadUInt32BE(h.rate) || !m_in.ReadUInt16BE(h.volume) || !m_in.ReadUInt16BE(reserved16) ||
        !m_in.ReadUInt32BE(reserved) || !m_in.ReadUInt32BE(reserved))
        return false;
    for (uint32_t& m : h.matrix)
        if (!m_in.ReadUInt32BE(m)) return false;
    for (int i = 0; i < 6; ++i)
        if (!m_in.ReadUInt32BE(predefined)) return false;
    if (!m_in.ReadUInt32BE(h.nextTrackId)) return false;
    out = h;
    return true;
}

bool Mp4BoxReader::ReadTkhd(uint64_t, Track& t)
{
    if (t.tkhd) return false;
    TrackHeader h;
    if (!ReadVersionFlags(h.vf) || h.vf.version > 1) return false;
    const BYTE v = h.vf.version;
    DWORD reserved = 0;
    if (!ReadVersionedTime(v, h.creationTime) || !ReadVersionedTime(v, h.modificationTime) ||
        !m_in.ReadUInt32BE(h.trackId) || !m_in.ReadUInt32BE(reserved) || !ReadVersionedTime(v, h.duration))
        return false;
    WORD reserved16 = 0;
    if (!m_in.ReadUInt32BE(reserved) || !m_in.ReadUInt32BE(reserved) || !m_in.ReadUInt16BE(h.layer) ||
        !m_in.ReadUInt16BE(h.alternateGroup) || !m_in.ReadUInt16BE(h.volume) || !m_in.ReadUInt16BE(reserved16))
        return false;
    for (uint32_t& m : h.matrix)
        if (!m_in.ReadUInt32BE(m)) return false;
    if (!m_in.ReadUInt32BE(h.width) || !m_in.ReadUInt32BE(h.height)) return false;
    t.tkhd = h;
    return true;
}

bool Mp4BoxReader::ReadElst(uint64_t end, Track& t)
{
    if (t.elst) return false;
    EditList e;
    DWORD count = 0;
    if (!ReadVersionFlags(e.vf) || e.vf.version > 1 || !m_in.ReadUInt32BE(count)) return false;
    const uint64_t entryBytes = e.vf.version == 1 ? 20 : 12;
    if (!Fits(end, count * entryBytes)) return false;
    std::vector<BYTE> raw;
    if (!m_in.File().ReadBlock(raw, count * entryBytes)) return false;
    for (DWORD i = 0; i < count; ++i) {
        const BYTE* p = raw.data() + i * entryBytes;
        if (e.vf.version == 1) {
            e.segmentDuration.push_back(LoadBE64(p));
            e.mediaTime.push_back(static_cast<int64_t>(LoadBE64(p + 8)));
            e.mediaRate.push_back(LoadBE32(p + 16));
        } else {
            e.segmentDuration.push_back(LoadBE32(p));
            e.mediaTime.push_back(static_cast<int32_t>(LoadBE32(p + 4)));
            e.mediaRate.push_back(LoadBE32(p + 8));
        }
    }
    t.elst = std::move(e);
    return true;
}

bool Mp4BoxReader::ReadMdhd(uint64_t, Track& t)
{
    if (t.mdhd) return false;
    MediaHeader h;
    if (!ReadVersionFlags(h.vf) || h.vf.version > 1) return false;
    const BYTE v = h.vf.version;
    if (!ReadVersionedTime(v, h.creationTime) || !ReadVersionedTime(v, h.modificationTime) ||
        !m_in.ReadUInt32BE(h.timescale) || !ReadVersionedTime(v, h.duration))
        return false;
    WORD predefined = 0;
    if (!m_in.ReadUInt16BE(h.language) || !m_in.ReadUInt16BE(predefined)) return false;
    t.mdhd = h;
    return true;
}

bool Mp4BoxReader::ReadHdlr(uint64_t end, Track& t)
{
    if (t.hdlr) return false;
    Handler h;
    DWORD predefined = 0;
    if (!ReadVersionFlags(h.vf) || !m_in.ReadUInt32BE(predefined) || !m_in.ReadFourCC(h.handlerType)) return false;
    uint64_t pos = m_in.GetFilePosition();
    if (pos > end) return false;
    // The reserved words and the name, up to the box end.
    if (!m_in.File().ReadBlock(h.rest, end - pos)) return false;
    t.hdlr = std::move(h);
    return true;
}

bool Mp4BoxReader::ReadVmhd(uint64_t, Track& t)
{
    if (t.vmhd) return false;
    MediaInfoHeader h;
    WORD v[4] = {};
    if (!ReadVersionFlags(h.vf)) return false;
    for (WORD& x : v)
        if (!m_in.ReadUInt16BE(x)) return false;
    h.fields.assign(std::begin(v), std::end(v));
    t.vmhd = std::move(h);
    return true;
}

bool Mp4BoxReader::ReadSmhd(uint64_t, Track& t)
{
    if (t.smhd) return false;
    MediaInfoHeader h;
    WORD balance = 0, reserved = 0;
    if (!ReadVersionFlags(h.vf) || !m_in.ReadUInt16BE(balance) || !m_in.ReadUInt16BE(reserved)) return false;
    h.fields = {balance, reserved};
    t.smhd = std::move(h);
    return true;
}

bool Mp4BoxReader::ReadHmhd(uint64_t, Track& t)
{
    if (t.hmhd) return false;
    MediaInfoHeader h;
    WORD maxPdu = 0, avgPdu = 0;
    DWORD maxBitrate = 0, avgBitrate = 0, reserved = 0;
    if (!ReadVersionFlags(h.vf) || !m_in.ReadUInt16BE(maxPdu) || !m_in.ReadUInt16BE(avgPdu) ||
        !m_in.ReadUInt32BE(maxBitrate) || !m_in.ReadUInt32BE(avgBitrate) || !m_in.ReadUInt32BE(reserved))
        return false;
    h.fields = {maxPdu, avgPdu, maxBitrate, avgBitrate, reserved};
    t.hmhd = std::move(h);
    return true;
}

bool Mp4BoxReader::ReadNmhd(uint64_t, Track& t)
{
    if (t.nmhd) return false;
    MediaInfoHeader h;
    if (!ReadVersionFlags(h.vf)) return false;
    t.nmhd = std::move(h);
    return true;
}

bool Mp4BoxReader::ReadTable(uint64_t end, const std::vector<int>& columnBytes, std::optional<Table>& out)
{
    Table table;
    DWORD count = 0;
    if (!ReadVersionFlags(table.vf) || !m_in.ReadUInt32BE(count)) return false;
    uint64_t rowBytes = 0;
    for (int w : columnBytes) rowBytes += static_cast<uint64_t>(w);
    const uint64_t total = count * rowBytes;
    if (!Fits(end, total)) return false;
    std::vector<BYTE> raw;
    if (!m_in.File().ReadBlock(raw, total)) return false;
    table.columns.assign(columnBytes.size(), std::vector<uint64_t>(count));
    const BYTE* p = raw.data();
    for (DWORD i = 0; i < count; ++i)
        for (size_t c = 0; c < columnBytes.size(); ++c) {
            table.columns[c][i] = columnBytes[c] == 8 ? LoadBE64(p) : LoadBE32(p);
            p += columnBytes[c];
        }
    out = std::move(table);
    return true;
}

bool Mp4BoxReader::ReadStts(uint64_t end, Track& t) { return !t.stts && ReadTable(end, {4, 4}, t.stts); }

bool Mp4BoxReader::ReadCtts(uint64_t end, Track& t) { return !t.ctts && ReadTable(end, {4, 4}, t.ctts); }

bool Mp4BoxReader::ReadStss(uint64_t end, Track& t) { return !t.stss && ReadTable(end, {4}, t.stss); }

bool Mp4BoxReader::ReadStsc(uint64_t end, Track& t) { return !t.stsc && ReadTable(end, {4, 4, 4}, t.stsc); }

bool Mp4BoxReader::ReadStco(uint64_t end, Track& t) { return !t.chunkOffsets && ReadTable(end, {4}, t.chunkOffsets); }

bool Mp4BoxReader::ReadCo64(uint64_t end, Track& t) { return !t.chunkOffsets && ReadTable(end, {8}, t.chunkOffsets); }

bool Mp4BoxReader::ReadStsh(uint64_t end, Track& t) { return !t.stsh && ReadTable(end, {4, 4}, t.stsh); }

bool Mp4BoxReader::ReadStsz(uint64_t end, Track& t)
{
    if (t.stsz) return false;
    SampleSizes s;
    if (!ReadVersionFlags(s.vf) || !m_in.ReadUInt32BE(s.sampleSize) || !m_in.ReadUInt32BE(s.sampleCount)) return false;
    if (s.sampleSize == 0) {
        const uint64_t total = static_cast<uint64_t>(s.sampleCount) * 4;
        std::vector<BYTE> raw;
        if (!Fits(end, total) || !m_in.File().ReadBlock(raw, total)) return false;
        s.sizes.resize(s.sampleCount);
        for (size_t i = 0; i < s.sizes.size(); ++i) s.sizes[i] = LoadBE32(raw.data() + 4 * i);
    }
    t.stsz = std::move(s);
    return true;
}

bool Mp4BoxReader::ReadStdp(uint64_t end, Track& t)
{
    // One priority per sample: the sample count comes from stsz, which must
    // come first.
    if (t.stdp || !t.stsz) return false;
    Table table;
    if (!ReadVersionFlags(table.vf)) return false;
    const uint64_t total = static_cast<uint64_t>(t.stsz->sampleCount) * 2;
    std::vector<BYTE> raw;
    if (!Fits(end, total) || !m_in.File().ReadBlock(raw, total)) return false;
    table.columns.assign(1, std::vector<uint64_t>(t.stsz->sampleCount));
    for (size_t i = 0; i < table.columns[0].size(); ++i) table.columns[0][i] = LoadBE16(raw.data() + 2 * i) >> 1;
    t.stdp = std::move(table);
    return true;
}

bool Mp4BoxReader::ReadDescriptorLength(uint32_t* length)
{
    // One byte, and up to three more while the one just read has its top
    // bit set; seven bits of the length in each.
    BYTE b = 0;
    if (!m_in.ReadByte(b)) return false;
    uint32_t value = b & 0x7Fu;
    for (int i = 0; i < 3 && (b & 0x80); ++i) {
        if (!m_in.ReadByte(b)) return false;
        value = (value << 7) | (b & 0x7Fu);
    }
    if (length) *length = value;
    return true;
}

bool Mp4BoxReader::ReadEsDescriptor(EsDescriptor& es, uint64_t end)
{
    VersionFlags vf;
    BYTE tag = 0, flags = 0;
    DWORD streamInfo = 0;
    if (!ReadVersionFlags(vf) || !m_in.ReadByte(tag) || !ReadDescriptorLength() || !m_in.ReadUInt16BE(es.esId) ||
        !m_in.ReadByte(flags))
        return false;
    // The decoder configuration follows directly; optional fields the
    // flags announce are not looked at.
    if (!m_in.ReadByte(tag) || !ReadDescriptorLength() || !m_in.ReadByte(es.objectTypeIndication) ||
        !m_in.ReadUInt32BE(streamInfo) || !m_in.ReadUInt32BE(es.maxBitrate) || !m_in.ReadUInt32BE(es.avgBitrate))
        return false;
    // The next descriptor must at least begin.
    BYTE b = 0;
    if (!m_in.ReadByte(b)) return false;
    if (b == kDecoderSpecificInfoTag) {
        // Its bytes are kept when they lie inside the box; without them the
        // descriptor still counts as read.
        uint32_t length = 0;
        if (ReadDescriptorLength(&length) && length > 0) {
            const uint64_t keep = std::min<uint64_t>(length, kDecoderSpecificInfoBytes);
            if (Fits(end, keep) && !m_in.File().ReadBlock(es.decoderSpecificInfo, keep)) es.decoderSpecificInfo.clear();
        }
        return true;
    }
    for (int i = 0; i < 3 && (b & 0x80); ++i)
        if (!m_in.ReadByte(b)) return false;
    return true;
}

bool Mp4BoxReader::ReadAudioEntryFields(SampleDescription& d)
{
    BYTE f[kAudioEntryBytes];
    if (!m_in.File().ReadExact(f, sizeof f)) return false;
    d.channelCount = LoadBE16(f + 16);
    d.sampleSize = LoadBE16(f + 18);
    d.sampleRateInteger = LoadBE16(f + 24);
    d.sampleRateFraction = LoadBE16(f + 26);
    // QuickTime keeps a sound-description version where the ISO entry has
    // reserved zeros; versions 1 and 2 carry more fields before the boxes.
    const WORD version = LoadBE16(f + 8);
    if (version == 1) {
        BYTE extra[kSoundV1ExtraBytes];
        if (!m_in.File().ReadExact(extra, sizeof extra)) return false;
    } else if (version == 2) {
        BYTE extra[kSoundV2ExtraBytes];
        if (!m_in.File().ReadExact(extra, sizeof extra)) return false;
        uint64_t bits = LoadBE64(extra + 4);
        double rate;
        std::memcpy(&rate, &bits, sizeof rate);
        d.soundVersion2 = true;
        d.v2SampleRate = std::isfinite(rate) && rate >= 0 && rate < 4294967296.0 ? static_cast<uint32_t>(rate) : 0;
        d.v2Channels = LoadBE32(extra + 12);
    }
    return true;
}

bool Mp4BoxReader::FindEsds(uint64_t end, AtomHeader& esds, bool insideWave)
{
    // Recorders put other boxes (a channel layout, a bit-rate box) before
    // the ES descriptor; QuickTime wraps it in a "wave" box, one level deep.
    for (;;) {
        if (m_in.GetFilePosition() >= end) return false;
        AtomHeader child;
        if (!ReadAtomHeader(m_in, child)) return false;
        if (child.type == FourCC("esds")) {
            esds = child;
            return true;
        }
        if (child.type == FourCC("wave") && !insideWave) return FindEsds(child.end, esds, true);
        if (!m_in.SeekTo(child.end)) return false;
    }
}

bool Mp4BoxReader::ReadSampleEntry(uint64_t stsdEnd, SampleDescription& d)
{
    if (m_in.GetFilePosition() > stsdEnd) return false;
    AtomHeader entry;
    if (!ReadAtomHeader(m_in, entry)) return false;
    d.type = entry.type;
    AtomHeader box;
    if (entry.type == FourCC("mp4v")) {
        BYTE fields[kVisualEntryBytes];
        if (!m_in.File().ReadExact(fields, sizeof fields)) return false;
        // The next box is taken as the ES descriptor whatever its type.
        EsDescriptor es;
        if (!ReadAtomHeader(m_in, box) || !ReadEsDescriptor(es, box.end)) return false;
        d.es = std::move(es);
    } else if (entry.type == FourCC("mp4a")) {
        AtomHeader esds;
        EsDescriptor es;
        if (!ReadAudioEntryFields(d) || !FindEsds(entry.end, esds) || !ReadEsDescriptor(es, esds.end)) return false;
        d.es = std::move(es);
    } else if (IsSpeechEntry(entry.type)) {
        if (!ReadAudioEntryFields(d) || !ReadAtomHeader(m_in, box)) return false;
        BYTE version = 0, frames = 0, period = 0;
        DWORD vendor = 0;
        WORD modes = 0;
        if (box.type == FourCC("d723") || box.type == FourCC("devc") || box.type == FourCC("dqcp")) {
            if (!m_in.ReadUInt32BE(vendor) || !m_in.ReadByte(version) || !m_in.ReadByte(frames)) return false;
        } else if (box.type == FourCC("damr")) {
            if (!m_in.ReadFourCC(vendor) || !m_in.ReadByte(version) || !m_in.ReadUInt16BE(modes) ||
                !m_in.ReadByte(period) || !m_in.ReadByte(frames))
                return false;
        } else {
            return false;
        }
    }
    // Other entries (avc1 among them) need nothing more.
    if (m_in.GetFilePosition() < entry.end && !m_in.SeekTo(entry.end)) return false;
    return true;
}

bool Mp4BoxReader::ReadStsd(uint64_t end, Track& t)
{
    if (t.stsd) return false;
    SampleDescription d;
    if (!ReadVersionFlags(d.vf) || !m_in.ReadUInt32BE(d.entryCount)) return false;
    // Only the first entry is read; the others are passed over.
    if (!ReadSampleEntry(end, d) || !m_in.SeekTo(end)) return false;
    t.stsd = std::move(d);
    return true;
}

bool Mp4BoxReader::ReadCprt(const AtomHeader& box, UserData& u)
{
    if (u.copyright || box.size < 15) return m_in.SeekTo(box.end);
    // Version and flags, pad bit and language, then the notice in UTF-8.
    std::vector<BYTE> notice;
    if (!m_in.SkipBytes(6) || !m_in.File().ReadBlock(notice, box.size - 14) || !m_in.SeekTo(box.end)) return false;
    std::string_view text(reinterpret_cast<const char*>(notice.data()), notice.size());
    text = text.substr(0, text.find('\0'));
    u.copyright = ToNarrow(Utf8ToWide(text));
    return true;
}

bool Mp4BoxReader::ReadItem(const AtomHeader& item, UserData& u)
{
    AtomHeader inner;
    if (!ReadAtomHeader(m_in, inner)) return false;
    int slot = kItemCount;
    for (int i = 0; i < kItemCount; ++i)
        if (kItemTypes[i] == item.type) slot = i;
    if (inner.type == FourCC("data") && inner.size > 16 && slot < kItemCount && !u.items[slot]) {
        // Past the data box's version, flags and reserved word: the value.
        std::vector<BYTE> value;
        if (!m_in.SkipBytes(8) || !m_in.File().ReadBlock(value, inner.size - 16)) return false;
        u.items[slot] = std::string(value.begin(), value.end());
        return true;
    }
    return m_in.SeekTo(item.end);
}

}  // namespace mp4
