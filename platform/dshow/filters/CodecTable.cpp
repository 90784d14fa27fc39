#include "platform/dshow/filters/CodecTable.h"

namespace {

// The library publishes its tag tables as opaque pointers; their entries are
// (codec id, tag) pairs ended by AV_CODEC_ID_NONE. Each entry read that way
// is checked against the library's own lookup, and a table that does not
// check out is not used at all.
struct TagEntry {
    AVCodecID id;
    unsigned int tag;
};

constexpr size_t kMaxTags = 8192;

std::vector<TagEntry> ReadTags(const AVCodecTag* table)
{
    std::vector<TagEntry> out;
    if (!table) return out;
    const AVCodecTag* tables[] = {table, nullptr};
    const auto* entries = reinterpret_cast<const TagEntry*>(table);
    for (size_t i = 0; i < kMaxTags && entries[i].id != AV_CODEC_ID_NONE; ++i) {
        // The first entry of a tag wins in the library's lookup; a later
        // duplicate names another codec and is skipped.
        AVCodecID looked = av_codec_get_id(tables, entries[i].tag);
        if (looked == AV_CODEC_ID_NONE) return {};
        if (looked == entries[i].id) out.push_back(entries[i]);
    }
    return out;
}

// The registered wave format tag of AMR-NB.
constexpr uint32_t kWaveFormatAmrNb = 0x0057;

bool Decodable(AVCodecID id) { return avcodec_find_decoder(id) != nullptr; }

bool IsPlainAudio(AVCodecID id) { return id == AV_CODEC_ID_PCM_S16LE || id == AV_CODEC_ID_PCM_F32LE; }

}  // namespace

GUID PrivateCodecSubtype(AVCodecID id)
{
    return GUID{static_cast<DWORD>(id), 0xCFD5, 0x4CEC, {0x8A, 0x9B, 0x35, 0x45, 0xCF, 0x75, 0x24, 0xA5}};
}

const CodecTable& CodecTable::Instance()
{
    static const CodecTable table;
    return table;
}

void CodecTable::Add(const GUID& major, const GUID& subtype, AVCodecID id, uint32_t tag)
{
    auto key = std::make_pair(major, subtype);
    if (bySubtype_.count(key)) return;
    AVMediaType kind = major == MEDIATYPE_Video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
    bySubtype_[key] = entries_.size();
    firstOfCodec_.emplace(std::make_pair(kind, id), entries_.size());
    entries_.push_back(Entry{major, subtype, id, tag});
}

CodecTable::CodecTable()
{
    for (const TagEntry& t : ReadTags(avformat_get_riff_video_tags()))
        if (Decodable(t.id)) Add(MEDIATYPE_Video, FourCCGuid(t.tag), t.id, t.tag);
    for (const TagEntry& t : ReadTags(avformat_get_mov_video_tags()))
        if (Decodable(t.id)) Add(MEDIATYPE_Video, FourCCGuid(t.tag), t.id, t.tag);
    for (const TagEntry& t : ReadTags(avformat_get_riff_audio_tags()))
        if (Decodable(t.id) && !IsPlainAudio(t.id) && t.tag != WAVE_FORMAT_EXTENSIBLE)
            Add(MEDIATYPE_Audio, FourCCGuid(t.tag), t.id, t.tag);
    // The library's first wave tag of AMR-NB is a number the registration
    // list gives to another codec: streams are named by the registered one.
    auto registered = bySubtype_.find({MEDIATYPE_Audio, FourCCGuid(kWaveFormatAmrNb)});
    if (registered != bySubtype_.end() && entries_[registered->second].id == AV_CODEC_ID_AMR_NB)
        firstOfCodec_[{AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AMR_NB}] = registered->second;
    for (const TagEntry& t : ReadTags(avformat_get_mov_audio_tags()))
        if (Decodable(t.id) && !IsPlainAudio(t.id) && t.tag > 0xFFFF)
            Add(MEDIATYPE_Audio, FourCCGuid(t.tag), t.id, t.tag);

    // The published MPEG subtypes, as other names of their codecs.
    const struct {
        GUID major;
        GUID subtype;
        AVCodecID id;
    } aliases[] = {
        {MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, AV_CODEC_ID_MPEG2VIDEO},
        {MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload, AV_CODEC_ID_MPEG1VIDEO},
        {MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Packet, AV_CODEC_ID_MPEG1VIDEO},
        {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO, AV_CODEC_ID_MP2},
        {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio, AV_CODEC_ID_MP2},
        {MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3, AV_CODEC_ID_AC3},
    };
    for (const auto& a : aliases)
        if (Decodable(a.id)) Add(a.major, a.subtype, a.id, 0);

    // Decoders that no table names.
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it)) {
        if (!av_codec_is_decoder(c) || IsPlainAudio(c->id)) continue;
        if (c->type == AVMEDIA_TYPE_VIDEO && !firstOfCodec_.count({AVMEDIA_TYPE_VIDEO, c->id}))
            Add(MEDIATYPE_Video, PrivateCodecSubtype(c->id), c->id, 0);
        else if (c->type == AVMEDIA_TYPE_AUDIO && !firstOfCodec_.count({AVMEDIA_TYPE_AUDIO, c->id}))
            Add(MEDIATYPE_Audio, PrivateCodecSubtype(c->id), c->id, 0);
    }
}

AVCodecID CodecTable::CodecOf(const GUID& major, const GUID& subtype) const
{
    auto it = bySubtype_.find({major, subtype});
    return it == bySubtype_.end() ? AV_CODEC_ID_NONE : entries_[it->second].id;
}

bool CodecTable::SubtypeFor(AVMediaType kind, AVCodecID id, uint32_t streamTag, GUID* subtype, uint32_t* tag) const
{
    const GUID& major = kind == AVMEDIA_TYPE_VIDEO ? MEDIATYPE_Video : MEDIATYPE_Audio;
    // Audio keeps its own tag only when it is a wave format tag: a
    // QuickTime FourCC gives way to the codec's wave tag.
    if (streamTag && (kind == AVMEDIA_TYPE_VIDEO || streamTag <= 0xFFFF)) {
        if (CodecOf(major, FourCCGuid(streamTag)) == id && id != AV_CODEC_ID_NONE) {
            *subtype = FourCCGuid(streamTag);
            *tag = streamTag;
            return true;
        }
    }
    auto first = firstOfCodec_.find({kind, id});
    if (first != firstOfCodec_.end()) {
        *subtype = entries_[first->second].subtype;
        *tag = entries_[first->second].tag;
        return true;
    }
    *subtype = streamTag ? FourCCGuid(streamTag) : PrivateCodecSubtype(id);
    *tag = streamTag;
    return false;
}

std::vector<std::pair<GUID, GUID>> CodecTable::Pairs(const GUID& major) const
{
    std::vector<std::pair<GUID, GUID>> out;
    for (const Entry& e : entries_)
        if (e.major == major) out.emplace_back(e.major, e.subtype);
    return out;
}
