// The codec table: which media type (major type and subtype) a compressed
// stream of each codec travels as between splitters and decoders, and back.
//
// It is built once from the decoding library's own tables: the FourCCs of
// video in RIFF files, the wave format tags of audio, and the QuickTime
// FourCCs of both; the published MPEG subtypes are added as other names of
// their codecs. A decodable codec that none of these names gets a private
// subtype of ours, {codec id-CFD5-4CEC-8A9B-3545CF7524A5}. Only codecs the
// library can decode are in the table; uncompressed PCM and float audio,
// which the renderers take as they are, are left out.
#pragma once

#include "platform/dshow/MediaGuids.h"
#include <map>
#include <utility>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/filters/LavHeaders.h"

// The private subtype of a codec that has no FourCC or wave tag.
GUID PrivateCodecSubtype(AVCodecID id);

class CodecTable {
public:
    static const CodecTable& Instance();

    // The codec of a (major type, subtype) pair; AV_CODEC_ID_NONE when the
    // pair is not in the table.
    AVCodecID CodecOf(const GUID& major, const GUID& subtype) const;
    // The subtype a stream travels as, and its FourCC or wave tag (0 for a
    // private subtype): the stream's own tag when the table knows it for the
    // same codec (for audio only a wave tag), else the codec's first tag
    // (RIFF tags come first; AMR-NB takes its registered wave tag), else its
    // private subtype.
    // False when the codec cannot be decoded here (the stream still gets a
    // subtype: its own tag as a FourCC GUID, or the private one).
    bool SubtypeFor(AVMediaType kind, AVCodecID id, uint32_t streamTag, GUID* subtype, uint32_t* tag) const;
    // Every pair of the major type, in table order: the decoders' registration.
    std::vector<std::pair<GUID, GUID>> Pairs(const GUID& major) const;

private:
    CodecTable();
    void Add(const GUID& major, const GUID& subtype, AVCodecID id, uint32_t tag);

    struct Entry {
        GUID major;
        GUID subtype;
        AVCodecID id;
        uint32_t tag;
    };
    std::vector<Entry> entries_;
    std::map<std::pair<GUID, GUID>, size_t> bySubtype_;
    std::map<std::pair<AVMediaType, AVCodecID>, size_t> firstOfCodec_;
};
