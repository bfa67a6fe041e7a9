#include "CExifReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ByteOrder.h"
#include "CRasterStream.h"

namespace {

constexpr uint32_t M_SOF0 = 0xC0, M_SOF1 = 0xC1, M_SOF2 = 0xC2, M_SOF3 = 0xC3;
constexpr uint32_t M_SOF5 = 0xC5, M_SOF6 = 0xC6, M_SOF7 = 0xC7;
constexpr uint32_t M_SOF9 = 0xC9, M_SOF10 = 0xCA, M_SOF11 = 0xCB;
constexpr uint32_t M_SOF13 = 0xCD, M_SOF14 = 0xCE, M_SOF15 = 0xCF;
constexpr uint32_t M_EOI = 0xD9, M_SOS = 0xDA, M_APP0 = 0xE0, M_APP1 = 0xE1, M_COM = 0xFE;

// Byte sizes of the TIFF field types 1..12.
constexpr int kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum : uint16_t {
    TAG_MAKE = 271,
    TAG_MODEL = 272,
    TAG_ORIENTATION = 274,
    TAG_X_RESOLUTION = 282,
    TAG_Y_RESOLUTION = 283,
    TAG_RESOLUTION_UNIT = 296,
    TAG_THUMBNAIL_OFFSET = 513,
    TAG_THUMBNAIL_LENGTH = 514,
    TAG_EXPOSURETIME = 33434,
    TAG_FNUMBER = 33437,
    TAG_EXIF_OFFSET = 34665,
    TAG_EXPOSURE_PROGRAM = 34850,
    TAG_ISO_EQUIVALENT = 34855,
    TAG_EXIF_VERSION = 36864,
    TAG_DATETIME_ORIGINAL = 36867,
    TAG_COMPRESSION_LEVEL = 37122,
    TAG_SHUTTERSPEED = 37377,
    TAG_APERTURE = 37378,
    TAG_BRIGHTNESS = 37379,
    TAG_EXPOSURE_BIAS = 37380,
    TAG_MAXAPERTURE = 37381,
    TAG_SUBJECT_DISTANCE = 37382,
    TAG_METERING_MODE = 37383,
    TAG_LIGHT_SOURCE = 37384,
    TAG_FLASH = 37385,
    TAG_FOCALLENGTH = 37386,
    TAG_USERCOMMENT = 37510,
    TAG_EXIF_IMAGEWIDTH = 40962,
    TAG_EXIF_IMAGELENGTH = 40963,
    TAG_INTEROP_OFFSET = 40965,
    TAG_FOCALPLANEXRES = 41486,
    TAG_FOCALPLANEYRES = 41487,
    TAG_FOCALPLANEUNITS = 41488,
};

// Copies at most min(available, capacity - 1) bytes of a text value and terminates it.
void CopyText(char* target, size_t capacity, const uint8_t* value, uint64_t available) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(available, capacity - 1));
    std::memcpy(target, value, n);
    target[n] = '\0';
}

// The factor of a resolution-unit value; false leaves the field unchanged.
bool UnitFactor(int unit, float& factor) {
    switch (unit) {
        case 1:
        case 2:
            factor = 1.0f;
            return true;
        case 3:
            factor = 0.3937008f;
            return true;
        case 4:
            factor = 0.03937008f;
            return true;
        case 5:
            factor = 0.00003937008f;
            return true;
        default:
            return false;
    }
}

// Whole-number tag values: out-of-range doubles from the file must not reach an int cast.
int32_t ToInt(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

// Doubles from the file kept as floats; finite values beyond the float range are clamped.
float ToFloat(double value) {
    if (!std::isfinite(value)) return static_cast<float>(value);
    return static_cast<float>(std::clamp(value, -3.4e38, 3.4e38));
}

// A thumbnail offset or length from a tag value; anything outside 0..2^32-1 is treated as 0.
uint64_t ToOffset(double value) {
    if (!std::isfinite(value) || value < 0 || value > 4294967295.0) return 0;
    return static_cast<uint64_t>(value);
}

}  // namespace

CExifReader::CExifReader(CExifRecord* record)
    : m_pRecord(record),
      m_szLastError{},
      m_largestDimension(0),
      m_motorolaOrder(0),
      m_sections{},
      m_sectionCount(0),
      m_ownsRecord(0) {
    if (!m_pRecord) {
        m_pRecord = static_cast<CExifRecord*>(std::calloc(1, sizeof(CExifRecord)));
        m_ownsRecord = 1;
    }
}

CExifReader::~CExifReader() {
    for (int32_t i = 0; i < m_sectionCount; ++i) std::free(m_sections[i].data);
    if (m_ownsRecord) std::free(m_pRecord);
}

void CExifReader::SetError(const char* text) {
    std::strncpy(m_szLastError, text, sizeof(m_szLastError) - 1);
    m_szLastError[sizeof(m_szLastError) - 1] = '\0';
}

bool CExifReader::ReadSections(CRasterStream* stream) {
    if (!stream || !m_pRecord) return false;
    if (stream->GetC() != 0xFF || stream->GetC() != 0xD8) return false;
    bool haveComment = false;
    for (;;) {
        if (m_sectionCount >= kMaxSections) {
            SetError("Too many sections in jpg file");
            return false;
        }
        long marker = 0;
        for (int a = 0; a < 7; ++a) {
            marker = stream->GetC();
            if (marker < 0) {
                SetError("Premature end of file?");
                return false;
            }
            if (marker != 0xFF) break;
            // Seven 0xFF bytes in a row: too much padding to be a marker.
            if (a >= 6) return false;
        }
        const long high = stream->GetC();
        const long low = high < 0 ? -1 : stream->GetC();
        if (low < 0) {
            SetError("Premature end of file?");
            return false;
        }
        const uint32_t length = static_cast<uint32_t>((high << 8) | low);
        if (length < 2) {
            SetError("invalid marker");
            return false;
        }
        uint8_t* data = static_cast<uint8_t*>(std::malloc(length));
        if (!data) {
            SetError("Could not allocate memory");
            return false;
        }
        data[0] = static_cast<uint8_t>(high);
        data[1] = static_cast<uint8_t>(low);
        m_sections[m_sectionCount] = Section{data, static_cast<uint32_t>(marker), length};
        ++m_sectionCount;
        if (!stream->ReadBytes(data + 2, length - 2)) {
            SetError("Premature end of file?");
            return false;
        }

        bool keep = true;
        switch (marker) {
            case M_SOS:
                return true;
            case M_EOI:
                return false;
            case M_COM:
                if (haveComment) {
                    keep = false;
                } else {
                    ParseComment(data, length);
                    haveComment = true;
                }
                break;
            case M_APP0:
                keep = false;
                break;
            case M_APP1:
                if (length >= 2 + 4 && std::memcmp(data + 2, "Exif", 4) == 0) {
                    m_pRecord->isExif = ParseExif(data + 2, length - 2) ? 1 : 0;
                } else {
                    keep = false;
                }
                break;
            case M_SOF0:
            case M_SOF1:
            case M_SOF2:
            case M_SOF3:
            case M_SOF5:
            case M_SOF6:
            case M_SOF7:
            case M_SOF9:
            case M_SOF10:
            case M_SOF11:
            case M_SOF13:
            case M_SOF14:
            case M_SOF15:
                ParseFrameHeader(data, length, static_cast<uint32_t>(marker));
                break;
            default:
                break;
        }
        if (!keep) {
            --m_sectionCount;
            std::free(m_sections[m_sectionCount].data);
            m_sections[m_sectionCount] = Section{};
        }
    }
}

void CExifReader::ParseFrameHeader(const uint8_t* section, uint32_t length, uint32_t marker) {
    // Length (2), precision (1), height (2), width (2), component count (1).
    if (length < 8) return;
    m_pRecord->height = ReadU16BigEndian(section + 3);
    m_pRecord->width = ReadU16BigEndian(section + 5);
    m_pRecord->isColor = section[7] == 3 ? 1 : 0;
    m_pRecord->process = static_cast<int32_t>(marker);
}

void CExifReader::ParseComment(const uint8_t* section, uint32_t length) {
    const uint32_t end = std::min<uint32_t>(length, sizeof(m_pRecord->comment));
    size_t n = 0;
    for (uint32_t a = 2; a < end; ++a) {
        const uint8_t ch = section[a];
        if (ch == '\r' && a + 1 < end && section[a + 1] == '\n') continue;
        const bool printable = ch >= 0x20 && ch < 0x7F;
        m_pRecord->comment[n++] =
            (printable || ch == '\n' || ch == '\t') ? static_cast<char>(ch) : '?';
    }
    m_pRecord->comment[n] = '\0';
}

bool CExifReader::ParseExif(const uint8_t* block, uint32_t length) {
    m_pRecord->flashUsed = 0;
    m_pRecord->comment[0] = '\0';
    m_largestDimension = 0;
    m_visitedDirectories.clear();

    static const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (length < 6 || std::memcmp(block, kExifHeader, 6) != 0) {
        SetError("Incorrect Exif header");
        return false;
    }
    // Byte-order mark (2), 42 (2), offset of the first directory (4).
    if (length < 6 + 8) {
        SetError("Invalid Exif alignment marker.");
        return false;
    }
    const uint8_t* base = block + 6;
    const uint32_t baseLength = length - 6;
    if (std::memcmp(base, "II", 2) == 0) {
        m_motorolaOrder = 0;
    } else if (std::memcmp(base, "MM", 2) == 0) {
        m_motorolaOrder = 1;
    } else {
        SetError("Invalid Exif alignment marker.");
        return false;
    }
    if (ReadU16(base + 2) != 42) {
        SetError("Invalid Exif start (1)");
        return false;
    }
    const uint32_t firstOffset = ReadU32(base + 4);
    if (firstOffset < 8 || firstOffset > 16) {
        SetError("Suspicious offset of first IFD value");
        return false;
    }
    if (!ParseDirectoryAt(firstOffset, base, baseLength, m_pRecord, 0)) return false;

    if (m_pRecord->focalPlaneXRes != 0) {
        m_pRecord->sensorWidth = ToFloat(static_cast<double>(m_largestDimension) *
                                         m_pRecord->focalPlaneUnits / m_pRecord->focalPlaneXRes);
    }
    return true;
}

bool CExifReader::ParseDirectory(const uint8_t* directory, const uint8_t* offsetBase,
                                 uint32_t offsetLength, CExifRecord* record) {
    if (!directory || !offsetBase || directory < offsetBase) return false;
    return ParseDirectoryAt(static_cast<uint64_t>(directory - offsetBase), offsetBase, offsetLength,
                            record, 0);
}

bool CExifReader::ParseDirectoryAt(uint64_t offset, const uint8_t* offsetBase,
                                   uint32_t offsetLength, CExifRecord* record, int depth) {
    // Links are followed to a bounded depth and never to a directory parsed already, so that
    // a chain pointing back at itself ends.
    if (depth > kMaxDirectoryDepth) {
        SetError("Illegal subdirectory link");
        return false;
    }
    if (std::find(m_visitedDirectories.begin(), m_visitedDirectories.end(), offset) !=
        m_visitedDirectories.end()) {
        SetError("Illegal subdirectory link");
        return false;
    }
    m_visitedDirectories.push_back(offset);

    if (offset + 2 > offsetLength) {
        SetError("Illegally sized directory");
        return false;
    }
    const uint8_t* directory = offsetBase + offset;
    const uint32_t entries = ReadU16(directory);
    if (offset + 2 + 12ull * entries > offsetLength) {
        SetError("Illegally sized directory");
        return false;
    }

    uint64_t thumbnailOffset = 0;
    uint64_t thumbnailLength = 0;
    for (uint32_t de = 0; de < entries; ++de) {
        const uint8_t* entry = directory + 2 + 12 * de;
        const uint16_t tag = ReadU16(entry);
        const uint16_t format = ReadU16(entry + 2);
        const uint32_t components = ReadU32(entry + 4);
        if (format < 1 || format > 12) {
            SetError("Illegal format code in EXIF dir");
            return false;
        }
        const uint64_t byteCount = uint64_t{components} * kFormatBytes[format];
        const uint8_t* value = entry + 8;
        if (byteCount > 4) {
            const uint64_t valueOffset = ReadU32(entry + 8);
            if (valueOffset + byteCount > offsetLength) {
                SetError("Illegal pointer offset value in EXIF.");
                return false;
            }
            value = offsetBase + valueOffset;
        }
        // Sub-directory links live in the entry itself.
        if (tag == TAG_EXIF_OFFSET || tag == TAG_INTEROP_OFFSET) {
            const uint32_t subOffset = ReadU32(entry + 8);
            if (subOffset >= offsetLength) {
                SetError("Illegal subdirectory link");
                return false;
            }
            ParseDirectoryAt(subOffset, offsetBase, offsetLength, record, depth + 1);
            continue;
        }
        // A value without components has nothing to read.
        if (components == 0) continue;

        switch (tag) {
            case TAG_MAKE:
                CopyText(record->cameraMake, 32, value, byteCount);
                break;
            case TAG_MODEL:
                CopyText(record->cameraModel, 40, value, byteCount);
                break;
            case TAG_DATETIME_ORIGINAL:
                CopyText(record->dateTime, 20, value, byteCount);
                break;
            case TAG_EXIF_VERSION:
                CopyText(record->version, 5, value, byteCount);
                break;
            case TAG_USERCOMMENT: {
                uint64_t n = byteCount;
                while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\0')) --n;
                const uint8_t* text = value;
                if (n >= 5 && std::memcmp(value, "ASCII", 5) == 0) {
                    uint64_t start = 5;
                    while (start < 10 && start < n && (value[start] == 0 || value[start] == ' ')) {
                        ++start;
                    }
                    if (start >= 10 || start >= n) break;
                    text = value + start;
                    n -= start;
                }
                CopyText(record->comment, 200, text, n);
                break;
            }
            case TAG_ORIENTATION: {
                const int32_t orientation = ToInt(ValueToDouble(value, format));
                if (orientation < 1 || orientation > 8) {
                    SetError("Undefined rotation value");
                    record->orientation = 0;
                } else {
                    record->orientation = orientation;
                }
                break;
            }
            case TAG_FNUMBER:
                record->fNumber = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_APERTURE:
            case TAG_MAXAPERTURE:
                if (record->fNumber == 0) {
                    record->fNumber =
                        ToFloat(std::exp(std::log(2.0) * ValueToDouble(value, format) * 0.5));
                }
                break;
            case TAG_BRIGHTNESS:
                record->brightness = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_FOCALLENGTH:
                record->focalLength = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_SUBJECT_DISTANCE:
                record->subjectDistance = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_EXPOSURETIME:
                record->exposureTime = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_SHUTTERSPEED:
                if (record->exposureTime == 0) {
                    record->exposureTime =
                        ToFloat(1.0 / std::exp(std::log(2.0) * ValueToDouble(value, format)));
                }
                break;
            case TAG_FLASH:
                record->flashUsed = (ToInt(ValueToDouble(value, format)) & 7) ? 1 : 0;
                break;
            case TAG_METERING_MODE:
                record->meteringMode = ToInt(ValueToDouble(value, format));
                break;
            case TAG_EXPOSURE_BIAS:
                record->exposureBias = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_LIGHT_SOURCE:
                record->lightSource = ToInt(ValueToDouble(value, format));
                break;
            case TAG_EXPOSURE_PROGRAM:
                record->exposureProgram = ToInt(ValueToDouble(value, format));
                break;
            case TAG_ISO_EQUIVALENT: {
                int32_t iso = ToInt(ValueToDouble(value, format));
                if (iso < 50) iso *= 200;
                record->isoEquivalent = iso;
                break;
            }
            case TAG_COMPRESSION_LEVEL:
                record->compressionLevel = ToInt(ValueToDouble(value, format));
                break;
            case TAG_X_RESOLUTION:
                record->xResolution = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_Y_RESOLUTION:
                record->yResolution = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_RESOLUTION_UNIT:
                UnitFactor(ToInt(ValueToDouble(value, format)), record->resolutionUnit);
                break;
            case TAG_FOCALPLANEXRES:
                record->focalPlaneXRes = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_FOCALPLANEYRES:
                record->focalPlaneYRes = ToFloat(ValueToDouble(value, format));
                break;
            case TAG_FOCALPLANEUNITS:
                UnitFactor(ToInt(ValueToDouble(value, format)), record->focalPlaneUnits);
                break;
            case TAG_THUMBNAIL_OFFSET:
                thumbnailOffset = ToOffset(ValueToDouble(value, format));
                break;
            case TAG_THUMBNAIL_LENGTH:
                thumbnailLength = ToOffset(ValueToDouble(value, format));
                break;
            case TAG_EXIF_IMAGEWIDTH:
            case TAG_EXIF_IMAGELENGTH:
                m_largestDimension =
                    std::max(m_largestDimension, ToInt(ValueToDouble(value, format)));
                break;
            default:
                break;
        }
    }

    // The link to the next directory follows the entries, if the block holds it.
    const uint64_t linkAt = offset + 2 + 12ull * entries;
    if (linkAt + 4 <= offsetLength) {
        const uint32_t next = ReadU32(offsetBase + linkAt);
        if (next != 0) {
            if (next >= offsetLength) {
                SetError("Illegal subdirectory link");
            } else {
                ParseDirectoryAt(next, offsetBase, offsetLength, record, depth + 1);
            }
        }
    }

    if (thumbnailOffset && thumbnailLength && thumbnailOffset + thumbnailLength <= offsetLength) {
        record->thumbnail = offsetBase + thumbnailOffset;
        record->thumbnailSize = static_cast<int32_t>(thumbnailLength);
    }
    return true;
}

uint16_t CExifReader::ReadU16BigEndian(const uint8_t* p) { return LoadU16BE(p); }

uint16_t CExifReader::ReadU16(const uint8_t* p) const {
    return m_motorolaOrder ? LoadU16BE(p) : LoadU16LE(p);
}

uint32_t CExifReader::ReadU32(const uint8_t* p) const {
    return m_motorolaOrder ? LoadU32BE(p) : LoadU32LE(p);
}

int32_t CExifReader::ReadS32(const uint8_t* p) const { return static_cast<int32_t>(ReadU32(p)); }

double CExifReader::ValueToDouble(const uint8_t* value, int format) const {
    switch (format) {
        case 1:
            return value[0];
        case 3:
            return ReadU16(value);
        case 4:
            return ReadU32(value);
        case 5:
        case 10: {
            const int32_t numerator = ReadS32(value);
            const int32_t denominator = ReadS32(value + 4);
            return denominator == 0 ? 0.0 : double(numerator) / double(denominator);
        }
        case 6:
            return static_cast<int8_t>(value[0]);
        case 8:
            return static_cast<int16_t>(ReadU16(value));
        case 9:
            return ReadS32(value);
        case 11: {
            float f;
            std::memcpy(&f, value, sizeof(f));
            return f;
        }
        case 12: {
            double d;
            std::memcpy(&d, value, sizeof(d));
            return d;
        }
        default:
            return 0;
    }
}
