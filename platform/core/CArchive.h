#pragma once
// CArchive: the framework's binary archive layout, byte for byte.
//
// All values are little-endian: 16- and 32-bit integers, doubles as IEEE 754 8-byte values.
// Strings: a length prefix (one byte when below 255; else 0xFF and a 16-bit length when below
// 0xFFFE; else 0xFF, 0xFFFF and a 32-bit length) and then one Windows-1252 byte per character;
// in memory strings are UTF-8. Every byte reads as its Windows-1252 character, also where the
// bytes happen to form UTF-8, so that a load and a store keep every byte. Array counts: a 16-bit
// count when below 0xFFFF, else 0xFFFF and a 32-bit count. Object class records: 0xFFFF, the 16-bit
// schema, the 16-bit name length and the name for a class seen first; 0x8000 | map index for a
// class seen before.
//
// A storing archive collects its bytes in memory; a loading archive reads from a byte buffer.
// Reading past the end or malformed input raises CArchiveException.

#include <cstdint>
#include <string>
#include <vector>

class CArchive {
public:
    enum class Mode { Store, Load };

    // Largest file ReadFile takes into memory.
    static constexpr size_t kMaxFileBytes = size_t{256} << 20;

    // A storing archive.
    CArchive();
    // A loading archive over the given bytes.
    explicit CArchive(std::vector<uint8_t> bytes);

    bool IsStoring() const { return m_mode == Mode::Store; }
    bool IsLoading() const { return m_mode == Mode::Load; }

    void WriteUInt16(uint16_t value);
    void WriteUInt32(uint32_t value);
    void WriteInt32(int32_t value);
    void WriteDouble(double value);
    void WriteCount(uint64_t count);
    void WriteString(const std::string& utf8);
    void WriteDoubleArray(const std::vector<double>& values);
    void WriteClass(const char* className, uint16_t schema);

    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    int32_t ReadInt32();
    double ReadDouble();
    // The count of an array whose elements take elementBytes each; a count whose elements
    // cannot fit in the bytes left is malformed.
    uint32_t ReadCount(size_t elementBytes);
    // A string of at most maxLength bytes.
    std::string ReadString(uint32_t maxLength = UINT32_MAX);
    std::vector<double> ReadDoubleArray();
    // Reads a class record, which must name className; returns its schema.
    uint16_t ReadClass(const char* className);

    size_t Remaining() const { return m_bytes.size() - m_pos; }
    const std::vector<uint8_t>& GetBytes() const { return m_bytes; }

    // Replaces the file with the stored bytes (CSafeFileWriter); false, with the old file kept
    // and the reason in *error when given, when it cannot be written.
    bool WriteFile(const std::string& path, std::string* error = nullptr) const;
    // Reads a whole file of at most kMaxFileBytes; false when it cannot be opened or read.
    static bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes);

private:
    void Put(const void* data, size_t size);
    void Take(void* data, size_t size);

    Mode m_mode;
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
    std::vector<std::string> m_classes;  // class names by map index (index 0 is null)
};
