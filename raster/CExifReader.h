#pragma once
// CExifReader: walks the marker sections at the start of a JPEG stream up to the start of the
// compressed data (SOS) and fills a CExifRecord from the frame header, the first comment and
// the Exif block. Every length, offset and count taken from the file is checked against the
// section it lies in before it is used.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CExifRecord.h"

class CRasterStream;

class CExifReader {
public:
    // With a null record the reader allocates and owns a zeroed one.
    explicit CExifReader(CExifRecord* record = nullptr);
    ~CExifReader();
    CExifReader(const CExifReader&) = delete;
    CExifReader& operator=(const CExifReader&) = delete;

    // True when the start of the compressed data was reached.
    bool ReadSections(CRasterStream* stream);
    // block: the Exif section's bytes after its length field, length bytes long.
    bool ParseExif(const uint8_t* block, uint32_t length);
    // Offsets inside the directory are relative to offsetBase, which is offsetLength bytes long.
    bool ParseDirectory(const uint8_t* directory, const uint8_t* offsetBase, uint32_t offsetLength,
                        CExifRecord* record);
    void ParseComment(const uint8_t* section, uint32_t length);
    // section: the whole section including its two length bytes.
    void ParseFrameHeader(const uint8_t* section, uint32_t length, uint32_t marker);

    const char* GetLastError() const { return m_szLastError; }
    const CExifRecord* GetRecord() const { return m_pRecord; }

    static constexpr int kMaxSections = 20;
    // Directory chains deeper than this are not followed.
    static constexpr int kMaxDirectoryDepth = 8;

private:
    struct Section {
        uint8_t* data;  // malloc'd, including the two length bytes
        uint32_t marker;
        uint32_t size;
    };

    bool ParseDirectoryAt(uint64_t offset, const uint8_t* offsetBase, uint32_t offsetLength,
                          CExifRecord* record, int depth);
    void SetError(const char* text);
    static uint16_t ReadU16BigEndian(const uint8_t* p);
    uint16_t ReadU16(const uint8_t* p) const;
    int32_t ReadS32(const uint8_t* p) const;
    uint32_t ReadU32(const uint8_t* p) const;
    double ValueToDouble(const uint8_t* value, int format) const;

    CExifRecord* m_pRecord;
    char m_szLastError[256];
    int32_t m_largestDimension;
    int32_t m_motorolaOrder;  // 1: the Exif block is big-endian
    Section m_sections[kMaxSections];
    int32_t m_sectionCount;
    int32_t m_ownsRecord;
    std::vector<uint64_t> m_visitedDirectories;  // offsets parsed during the current block
};
