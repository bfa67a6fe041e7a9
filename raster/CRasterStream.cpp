#include "CRasterStream.h"

bool CRasterStream::PutC(uint8_t c) { return Write(&c, 1, 1) == 1; }

bool CRasterStream::ReadU8(uint8_t& value) {
    value = 0;
    return Read(&value, 1, 1) == 1;
}

bool CRasterStream::ReadU16LE(uint16_t& value) {
    uint8_t b[2];
    value = 0;
    if (Read(b, 1, 2) != 2) return false;
    value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool CRasterStream::ReadU16BE(uint16_t& value) {
    uint8_t b[2];
    value = 0;
    if (Read(b, 1, 2) != 2) return false;
    value = static_cast<uint16_t>((b[0] << 8) | b[1]);
    return true;
}

bool CRasterStream::ReadU32LE(uint32_t& value) {
    uint8_t b[4];
    value = 0;
    if (Read(b, 1, 4) != 4) return false;
    value = uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
    return true;
}

bool CRasterStream::ReadU32BE(uint32_t& value) {
    uint8_t b[4];
    value = 0;
    if (Read(b, 1, 4) != 4) return false;
    value = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
    return true;
}

bool CRasterStream::WriteU16LE(uint16_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    return Write(b, 1, 2) == 2;
}

bool CRasterStream::WriteU16BE(uint16_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return Write(b, 1, 2) == 2;
}

bool CRasterStream::WriteU32LE(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Write(b, 1, 4) == 4;
}

bool CRasterStream::WriteU32BE(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return Write(b, 1, 4) == 4;
}
