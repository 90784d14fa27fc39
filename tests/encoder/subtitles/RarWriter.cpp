#include "RarWriter.h"

#include <zlib.h>

namespace {

void Put16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

uint32_t Crc(const std::string& bytes)
{
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// A block: its checksum over everything after the checksum field, then the
// rest of the header.
std::string Block(const std::string& afterCrc)
{
    std::string s;
    Put16(s, Crc(afterCrc) & 0xFFFF);
    return s + afterCrc;
}

}  // namespace

std::string BuildStoredRar4(const std::vector<RarEntry>& entries)
{
    std::string archive("Rar!\x1A\x07\x00", 7);

    std::string main;
    main += '\x73';
    Put16(main, 0);   // flags
    Put16(main, 13);  // header size
    Put16(main, 0);
    Put32(main, 0);
    archive += Block(main);

    for (const RarEntry& e : entries) {
        const uint64_t packed = e.data.size();
        const uint64_t stated = e.statedSize >= 0 ? static_cast<uint64_t>(e.statedSize) : packed;
        const bool large = (packed >> 32) || (stated >> 32);
        const uint32_t headerSize = 32 + (large ? 8 : 0) + static_cast<uint32_t>(e.name.size());
        std::string h;
        h += '\x74';
        Put16(h, 0x8000 | (large ? 0x100 : 0));  // data follow the header
        Put16(h, headerSize);
        Put32(h, static_cast<uint32_t>(packed));
        Put32(h, static_cast<uint32_t>(stated));
        h += '\x02';  // made on Windows
        Put32(h, Crc(e.data));
        Put32(h, 0x5A8E6000);  // a DOS date and time
        h += '\x14';           // version 2.0 can unpack it
        h += '\x30';           // stored
        Put16(h, static_cast<uint32_t>(e.name.size()));
        Put32(h, 0x20);  // archive attribute
        if (large) {
            Put32(h, static_cast<uint32_t>(packed >> 32));
            Put32(h, static_cast<uint32_t>(stated >> 32));
        }
        h += e.name;
        archive += Block(h) + e.data;
    }

    std::string end;
    end += '\x7B';
    Put16(end, 0x4000);
    Put16(end, 7);
    archive += Block(end);
    return archive;
}
