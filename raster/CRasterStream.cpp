#include "CRasterStream.h"

#include "ByteOrder.h"

bool CRasterStream::PutC(uint8_t c) { return Write(&c, 1, 1) == 1; }

bool CRasterStream::ReadU8(uint8_t& value) {
    value = 0;
    return Read(&value, 1, 1) == 1;
}

bool CRasterStream::ReadU16LE(uint16_t& value) {
    uint8_t b[2];
    value = 0;
    if (Read(b, 1, 2) != 2) return false;
    value = LoadU16LE(b);
    return true;
}

bool CRasterStream::ReadU16BE(uint16_t& value) {
    uint8_t b[2];
    value = 0;
    if (Read(b, 1, 2) != 2) return false;
    value = LoadU16BE(b);
    return true;
}

bool CRasterStream::ReadU32LE(uint32_t& value) {
    uint8_t b[4];
    value = 0;
    if (Read(b, 1, 4) != 4) return false;
    value = LoadU32LE(b);
    return true;
}

bool CRasterStream::ReadU32BE(uint32_t& value) {
    uint8_t b[4];
    value = 0;
    if (Read(b, 1, 4) != 4) return false;
    value = LoadU32BE(b);
    return true;
}

bool CRasterStream::WriteU16LE(uint16_t value) {
    uint8_t b[2];
    StoreU16LE(b, value);
    return Write(b, 1, 2) == 2;
}

bool CRasterStream::WriteU16BE(uint16_t value) {
    uint8_t b[2];
    StoreU16BE(b, value);
    return Write(b, 1, 2) == 2;
}

bool CRasterStream::WriteU32LE(uint32_t value) {
    uint8_t b[4];
    StoreU32LE(b, value);
    return Write(b, 1, 4) == 4;
}

bool CRasterStream::WriteU32BE(uint32_t value) {
    uint8_t b[4];
    StoreU32BE(b, value);
    return Write(b, 1, 4) == 4;
}
