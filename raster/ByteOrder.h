#pragma once
// Unsigned integers read from and written into byte buffers in a stated byte order
// (LE: least significant byte first, BE: most significant first). The caller checks that the
// buffer holds the 2 or 4 bytes.

#include <cstdint>

inline uint16_t LoadU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint16_t LoadU16BE(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

inline uint32_t LoadU32LE(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline uint32_t LoadU32BE(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// Stores the low 16 bits of value.
inline void StoreU16LE(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

inline void StoreU16BE(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>((value >> 8) & 0xFF);
    p[1] = static_cast<uint8_t>(value & 0xFF);
}

inline void StoreU32LE(uint8_t* p, uint32_t value) {
    StoreU16LE(p, value & 0xFFFF);
    StoreU16LE(p + 2, value >> 16);
}

inline void StoreU32BE(uint8_t* p, uint32_t value) {
    StoreU16BE(p, value >> 16);
    StoreU16BE(p + 2, value & 0xFFFF);
}
