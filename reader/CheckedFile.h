// The analysers' view of the file under analysis: opened for reading only,
// shared so that other programs may go on writing or deleting it, with a
// 64-bit position, and reads that never trust a length read from the file.
// A length is checked against the bytes left before anything is allocated
// for it; a read at or past the end returns fewer bytes, never garbage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32/WinTypes.h"

class CheckedFile {
public:
    CheckedFile() = default;
    ~CheckedFile();
    CheckedFile(const CheckedFile&) = delete;
    CheckedFile& operator=(const CheckedFile&) = delete;

    // Opens an existing regular file for reading (shared for reading,
    // writing and deleting; sequential-scan hint). False when it cannot be
    // opened; GetLastError tells why.
    bool Open(const wchar_t* path);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

    // The file's size as it was when opened.
    uint64_t GetSize() const { return m_size; }
    uint64_t GetPosition() const { return m_position; }
    // Bytes between the position and the end of the file; 0 past the end.
    uint64_t BytesLeft() const { return m_position < m_size ? m_size - m_position : 0; }

    // Reads up to count bytes; *got receives how many arrived (fewer at the
    // end of the file). False only when the read itself fails.
    bool Read(void* buffer, size_t count, size_t* got);
    // Reads exactly count bytes; false on a short or failed read (the
    // position has then moved by what was read).
    bool ReadExact(void* buffer, size_t count);
    // Reads count bytes into out when the file still holds them all; refuses
    // (without allocating or moving) when it does not.
    bool ReadBlock(std::vector<BYTE>& out, uint64_t count);

    // Absolute position; a position past the end is allowed, and the next
    // read there returns no bytes.
    bool SeekTo(uint64_t position);
    // Moves forward by count bytes from the position; past the end is
    // allowed. False when the new position would not fit in 63 bits.
    bool Skip(uint64_t count);

private:
    HANDLE m_handle = nullptr;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
};
