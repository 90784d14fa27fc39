#include "EndianReaders.h"

#include "ByteOrder.h"

bool LittleEndianReader::ReadByte(BYTE& value) { return m_file.ReadExact(&value, 1); }

bool LittleEndianReader::ReadUInt16(WORD& value)
{
    BYTE b[2];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadLE16(b);
    return true;
}

bool LittleEndianReader::ReadUInt32(DWORD& value)
{
    BYTE b[4];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadLE32(b);
    return true;
}

bool LittleEndianReader::ReadUInt64(QWORD& value)
{
    BYTE b[8];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadLE64(b);
    return true;
}

bool LittleEndianReader::ReadGuid(GUID& value)
{
    BYTE b[16];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadGuidLE(b);
    return true;
}

bool LittleEndianReader::ReadFourCC(DWORD& value) { return ReadUInt32(value); }

bool BigEndianReader::ReadByte(BYTE& value) { return m_file.ReadExact(&value, 1); }

bool BigEndianReader::ReadUInt16BE(WORD& value)
{
    BYTE b[2];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadBE16(b);
    return true;
}

bool BigEndianReader::ReadUInt32BE(DWORD& value)
{
    BYTE b[4];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadBE32(b);
    return true;
}

bool BigEndianReader::ReadUInt64BE(QWORD& value)
{
    BYTE b[8];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadBE64(b);
    return true;
}

bool BigEndianReader::ReadFourCC(DWORD& value)
{
    BYTE b[4];
    if (!m_file.ReadExact(b, sizeof b)) return false;
    value = LoadLE32(b);
    return true;
}
