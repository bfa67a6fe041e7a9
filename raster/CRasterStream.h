#pragma once
// CRasterStream: the byte stream every format class reads and writes, so that a codec works on
// an open file and on a memory block alike. Streams report failure only by their results
// (0 items, false, -1) and keep no error text.

#include <cstddef>
#include <cstdint>

class CRasterStream {
public:
    virtual ~CRasterStream() = default;
    virtual bool Close() = 0;
    // Returns the number of whole items read resp. written.
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
    // origin: 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(long offset, int origin) = 0;
    virtual long Tell() = 0;
    virtual long Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual long Error() = 0;
    virtual bool PutC(uint8_t c);
    // The next byte 0..255, or -1 at the end.
    virtual long GetC() = 0;

    // Typed reads and writes: byte order is said once, here. A read that cannot get all its
    // bytes returns false and leaves the value 0.
    bool ReadU8(uint8_t& value);
    bool ReadU16LE(uint16_t& value);
    bool ReadU16BE(uint16_t& value);
    bool ReadU32LE(uint32_t& value);
    bool ReadU32BE(uint32_t& value);
    bool ReadBytes(void* buffer, size_t count) { return Read(buffer, 1, count) == count; }
    bool WriteU8(uint8_t value) { return Write(&value, 1, 1) == 1; }
    bool WriteU16LE(uint16_t value);
    bool WriteU16BE(uint16_t value);
    bool WriteU32LE(uint32_t value);
    bool WriteU32BE(uint32_t value);
    bool WriteBytes(const void* buffer, size_t count) { return Write(buffer, 1, count) == count; }
};
