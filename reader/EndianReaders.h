// Field readers over the file under analysis: little-endian for the RIFF and
// ASF families, big-endian for the ISO box family. Each reads at the file's
// current position, returns true or false, and stores its value only on
// success; a short read (the end of the file) is a failure.
#pragma once

#include <cstdint>

#include "CheckedFile.h"
#include "platform/win32/Guid.h"
#include "platform/win32/WinTypes.h"

class LittleEndianReader {
public:
    explicit LittleEndianReader(CheckedFile& file) : m_file(file) {}

    bool ReadByte(BYTE& value);
    bool ReadUInt16(WORD& value);
    bool ReadUInt32(DWORD& value);
    bool ReadUInt64(QWORD& value);
    // 16 bytes in the GUID's own order: Data1, Data2 and Data3 little-endian,
    // then the 8 bytes of Data4.
    bool ReadGuid(GUID& value);
    // Four bytes as they stand in the file (first byte lowest).
    bool ReadFourCC(DWORD& value);
    // Moves forward by count bytes; 0 succeeds without moving; past the end
    // of the file succeeds and the next read fails.
    bool SkipBytes(uint64_t count) { return m_file.Skip(count); }
    uint64_t GetFilePosition() const { return m_file.GetPosition(); }
    CheckedFile& File() { return m_file; }

private:
    CheckedFile& m_file;
};

class BigEndianReader {
public:
    explicit BigEndianReader(CheckedFile& file) : m_file(file) {}

    bool ReadByte(BYTE& value);
    bool ReadUInt16BE(WORD& value);
    bool ReadUInt32BE(DWORD& value);
    bool ReadUInt64BE(QWORD& value);
    // Four bytes as they stand in the file (first byte lowest).
    bool ReadFourCC(DWORD& value);
    bool SeekTo(uint64_t position) { return m_file.SeekTo(position); }
    bool SkipBytes(uint64_t count) { return m_file.Skip(count); }
    uint64_t GetFilePosition() const { return m_file.GetPosition(); }
    CheckedFile& File() { return m_file; }

private:
    CheckedFile& m_file;
};

inline bool GuidEqual(const GUID& a, const GUID& b) { return a == b; }
