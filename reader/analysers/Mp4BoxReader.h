// Readers of the boxes of an ISO base media file (MP4, 3GP, MOV and kin).
// The analyser walks the box tree; for each box it knows it calls a reader
// here with the file just after the box's header and with the box's end
// position. A reader reads the box's fields (big-endian) in file order and
// width, keeps them in the track record or the movie's records, and answers
// true or false; the walks turn a failure into the analysis status.
//
// Tables are read in one read each, after their size (computed in 64 bits)
// has been checked against the end of their box and of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/FourCC.h"
#include "reader/EndianReaders.h"

namespace mp4 {

// The sample entries of the speech codecs of 3GPP files (G.723, EVRC, QCELP
// and AMR), whose decoder settings follow the audio fields in a box of
// their own.
constexpr bool IsSpeechEntry(DWORD type)
{
    return type == FourCC("s723") || type == FourCC("evrc") || type == FourCC("sevc") || type == FourCC("sqcp") ||
           type == FourCC("samr");
}

// The header of a box: where it starts and ends, and its type.
struct AtomHeader {
    uint64_t start = 0;
    uint64_t size = 0;
    uint64_t end = 0;
    DWORD type = 0;
};

// Reads a box header at the current position: a 32-bit size (2 to 7 are
// refused), the type, and the 64-bit size that follows a size of 1 (below 16
// refused). A size of 0 says that the box runs to the end of the file, which
// only a top-level box may do: the caller passes that end as fileEnd, and
// without it (0) the size is refused. A box whose end would not fit in 64
// bits is refused.
bool ReadAtomHeader(BigEndianReader& in, AtomHeader& h, uint64_t fileEnd = 0);

struct VersionFlags {
    BYTE version = 0;
    BYTE flags[3] = {};
};

struct MovieHeader {
    VersionFlags vf;
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint32_t timescale = 0;
    uint64_t duration = 0;
    uint32_t rate = 0;
    uint16_t volume = 0;
    uint32_t matrix[9] = {};
    uint32_t nextTrackId = 0;
};

struct TrackHeader {
    VersionFlags vf;
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint32_t trackId = 0;
    uint64_t duration = 0;
    uint16_t layer = 0;
    uint16_t alternateGroup = 0;
    uint16_t volume = 0;
    uint32_t matrix[9] = {};
    uint32_t width = 0;   // 16.16
    uint32_t height = 0;  // 16.16
};

struct EditList {
    VersionFlags vf;
    std::vector<uint64_t> segmentDuration;
    std::vector<int64_t> mediaTime;
    std::vector<uint32_t> mediaRate;  // integer and fraction halves
};

struct MediaHeader {
    VersionFlags vf;
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint32_t timescale = 0;
    uint64_t duration = 0;
    uint16_t language = 0;
};

struct Handler {
    VersionFlags vf;
    DWORD handlerType = 0;
    std::vector<uint8_t> rest;  // reserved words and name
};

// The media header boxes (vmhd, smhd, hmhd, nmhd): kept as read, not used.
struct MediaInfoHeader {
    VersionFlags vf;
    std::vector<uint32_t> fields;
};

// A table of one or more columns of 32-bit (or, for co64, 64-bit) values.
struct Table {
    VersionFlags vf;
    std::vector<std::vector<uint64_t>> columns;
    size_t Count() const { return columns.empty() ? 0 : columns[0].size(); }
};

struct SampleSizes {
    VersionFlags vf;
    uint32_t sampleSize = 0;
    uint32_t sampleCount = 0;
    std::vector<uint32_t> sizes;  // only when sampleSize is 0
};

// What the ES descriptor of an mp4v or mp4a entry carries.
struct EsDescriptor {
    uint16_t esId = 0;
    BYTE objectTypeIndication = 0;
    uint32_t maxBitrate = 0;
    uint32_t avgBitrate = 0;
    // The first bytes of the decoder-specific information that follows the
    // decoder configuration (for AAC its AudioSpecificConfig); empty when
    // there is none.
    std::vector<uint8_t> decoderSpecificInfo;
};

// The first sample entry of a track's stsd box.
struct SampleDescription {
    VersionFlags vf;
    uint32_t entryCount = 0;
    DWORD type = 0;  // the entry's code, as in the file
    std::optional<EsDescriptor> es;
    uint16_t channelCount = 0;
    uint16_t sampleSize = 0;
    uint16_t sampleRateInteger = 0;
    uint16_t sampleRateFraction = 0;
    // A QuickTime sound description of version 2 gives its rate and
    // channels in its own fields instead.
    bool soundVersion2 = false;
    uint32_t v2SampleRate = 0;
    uint32_t v2Channels = 0;
};

// One track: at most one record of each box kind.
struct Track {
    std::optional<TrackHeader> tkhd;
    std::optional<EditList> elst;
    std::optional<MediaHeader> mdhd;
    std::optional<Handler> hdlr;
    std::optional<MediaInfoHeader> vmhd, smhd, hmhd, nmhd;
    std::optional<Table> stts, ctts, stss, stsc, chunkOffsets, stsh, stdp;
    std::optional<SampleDescription> stsd;
    std::optional<SampleSizes> stsz;

    DWORD HandlerType() const { return hdlr ? hdlr->handlerType : 0; }
    DWORD SampleEntry() const { return stsd ? stsd->type : 0; }
};

// The item types of the user data's item list that are kept, in this order.
enum Item { kName, kArtist, kWriter, kAlbum, kDay, kTool, kComment, kGenre, kItemCount };

// What the user data gives: the eight item strings (raw bytes) and the
// copyright notice (in the ANSI code page).
struct UserData {
    std::optional<std::string> items[kItemCount];
    std::optional<std::string> copyright;
};

class Mp4BoxReader {
public:
    explicit Mp4BoxReader(BigEndianReader& in) : m_in(in) {}

    // A later mvhd replaces an earlier one.
    bool ReadMvhd(uint64_t end, MovieHeader& out);
    // The readers of the boxes of one track; each fails on a second box of
    // its kind in the track.
    bool ReadTkhd(uint64_t end, Track& t);
    bool ReadElst(uint64_t end, Track& t);
    bool ReadMdhd(uint64_t end, Track& t);
    bool ReadHdlr(uint64_t end, Track& t);
    bool ReadVmhd(uint64_t end, Track& t);
    bool ReadSmhd(uint64_t end, Track& t);
    bool ReadHmhd(uint64_t end, Track& t);
    bool ReadNmhd(uint64_t end, Track& t);
    bool ReadStts(uint64_t end, Track& t);
    bool ReadCtts(uint64_t end, Track& t);
    bool ReadStss(uint64_t end, Track& t);
    bool ReadStsz(uint64_t end, Track& t);
    bool ReadStsc(uint64_t end, Track& t);
    bool ReadStco(uint64_t end, Track& t);
    bool ReadCo64(uint64_t end, Track& t);
    bool ReadStsh(uint64_t end, Track& t);
    bool ReadStdp(uint64_t end, Track& t);
    bool ReadStsd(uint64_t end, Track& t);

    // User data: "cprt" (the first one with a notice), and one item of the
    // item list (the box header of the item has been read).
    bool ReadCprt(const AtomHeader& box, UserData& u);
    bool ReadItem(const AtomHeader& item, UserData& u);

    bool ReadVersionFlags(VersionFlags& vf);

private:
    // entry_count and a table of count entries of columnBytes.size()
    // columns, each of the given width; fails when it does not fit before
    // end or in the file.
    bool ReadTable(uint64_t end, const std::vector<int>& columnBytes, std::optional<Table>& out);
    bool ReadSampleEntry(uint64_t stsdEnd, SampleDescription& d);
    bool ReadAudioEntryFields(SampleDescription& d);
    // Finds the "esds" box among the children of an audio sample entry
    // ending at end, looking inside a QuickTime "wave" box; other children
    // are passed over.
    bool FindEsds(uint64_t end, AtomHeader& esds, bool insideWave = false);
    // The ES descriptor of an esds box whose contents end at end.
    bool ReadEsDescriptor(EsDescriptor& es, uint64_t end);
    bool ReadDescriptorLength(uint32_t* length = nullptr);
    bool Fits(uint64_t end, uint64_t bytes) const;
    // A time or duration of a movie, track or media header: 64 bits in a
    // box of version 1, 32 bits in one of version 0.
    bool ReadVersionedTime(BYTE version, uint64_t& value);

    BigEndianReader& m_in;
};

}  // namespace mp4
