#include "CArchive.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>

#include "CArchiveException.h"
#include "CSafeFileWriter.h"
#include "CWin1252.h"

static_assert(std::endian::native == std::endian::little, "archive code assumes little-endian");

namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

}  // namespace

CArchive::CArchive() : m_mode(Mode::Store), m_classes(1) {}

CArchive::CArchive(std::vector<uint8_t> bytes)
    : m_mode(Mode::Load), m_bytes(std::move(bytes)), m_classes(1) {}

void CArchive::Put(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + size);
}

void CArchive::Take(void* data, size_t size) {
    if (size > Remaining()) {
        throw CArchiveException(CArchiveException::Cause::EndOfFile, "archive: unexpected end");
    }
    std::memcpy(data, m_bytes.data() + m_pos, size);
    m_pos += size;
}

void CArchive::WriteUInt16(uint16_t value) { Put(&value, sizeof value); }
void CArchive::WriteUInt32(uint32_t value) { Put(&value, sizeof value); }
void CArchive::WriteInt32(int32_t value) { Put(&value, sizeof value); }
void CArchive::WriteDouble(double value) { Put(&value, sizeof value); }

void CArchive::WriteCount(uint64_t count) {
    if (count > UINT32_MAX) {
        throw CArchiveException(CArchiveException::Cause::TooLarge, "archive: count too large");
    }
    if (count < 0xFFFF) {
        WriteUInt16(uint16_t(count));
    } else {
        WriteUInt16(0xFFFF);
        WriteUInt32(uint32_t(count));
    }
}

void CArchive::WriteString(const std::string& utf8) {
    const std::string bytes = CWin1252::FromUtf8(utf8);
    const uint64_t length = bytes.size();
    if (length > UINT32_MAX) {
        throw CArchiveException(CArchiveException::Cause::TooLarge, "archive: string too long");
    }
    if (length < 0xFF) {
        const uint8_t b = uint8_t(length);
        Put(&b, 1);
    } else {
        const uint8_t marker = 0xFF;
        Put(&marker, 1);
        if (length < 0xFFFE) {
            WriteUInt16(uint16_t(length));
        } else {
            WriteUInt16(0xFFFF);
            WriteUInt32(uint32_t(length));
        }
    }
    Put(bytes.data(), bytes.size());
}

void CArchive::WriteDoubleArray(const std::vector<double>& values) {
    WriteCount(values.size());
    for (double v : values) WriteDouble(v);
}

void CArchive::WriteClass(const char* className, uint16_t schema) {
    for (size_t index = 1; index < m_classes.size(); ++index) {
        if (m_classes[index] == className) {
            WriteUInt16(uint16_t(kClassTag | index));
            m_classes.emplace_back();  // the object takes the next map index
            return;
        }
    }
    const size_t length = std::strlen(className);
    WriteUInt16(kNewClassTag);
    WriteUInt16(schema);
    WriteUInt16(uint16_t(length));
    Put(className, length);
    m_classes.emplace_back(className);
    m_classes.emplace_back();
}

uint16_t CArchive::ReadUInt16() {
    uint16_t v;
    Take(&v, sizeof v);
    return v;
}

uint32_t CArchive::ReadUInt32() {
    uint32_t v;
    Take(&v, sizeof v);
    return v;
}

int32_t CArchive::ReadInt32() {
    int32_t v;
    Take(&v, sizeof v);
    return v;
}

double CArchive::ReadDouble() {
    double v;
    Take(&v, sizeof v);
    return v;
}

uint32_t CArchive::ReadCount(size_t elementBytes) {
    uint32_t count = ReadUInt16();
    if (count == 0xFFFF) count = ReadUInt32();
    if (elementBytes != 0 && count > Remaining() / elementBytes) {
        throw CArchiveException(CArchiveException::Cause::BadFormat,
                                "archive: array count exceeds the data");
    }
    return count;
}

std::string CArchive::ReadString(uint32_t maxLength) {
    uint8_t b;
    Take(&b, 1);
    uint32_t length = b;
    if (b == 0xFF) {
        const uint16_t w = ReadUInt16();
        if (w == 0xFFFE) {
            throw CArchiveException(CArchiveException::Cause::BadFormat,
                                    "archive: wide strings are not supported");
        }
        length = (w == 0xFFFF) ? ReadUInt32() : w;
    }
    if (length > maxLength || length > Remaining()) {
        throw CArchiveException(CArchiveException::Cause::BadFormat,
                                "archive: string length exceeds the data");
    }
    std::string bytes(reinterpret_cast<const char*>(m_bytes.data() + m_pos), length);
    m_pos += length;
    return CWin1252::ToUtf8Strict(bytes);
}

std::vector<double> CArchive::ReadDoubleArray() {
    const uint32_t count = ReadCount(sizeof(double));
    std::vector<double> values(count);
    for (double& v : values) v = ReadDouble();
    return values;
}

uint16_t CArchive::ReadClass(const char* className) {
    const uint16_t tag = ReadUInt16();
    uint16_t schema = 0;
    std::string name;
    if (tag == kNewClassTag) {
        schema = ReadUInt16();
        const uint16_t length = ReadUInt16();
        if (length > Remaining()) {
            throw CArchiveException(CArchiveException::Cause::EndOfFile, "archive: unexpected end");
        }
        name.assign(reinterpret_cast<const char*>(m_bytes.data() + m_pos), length);
        m_pos += length;
        m_classes.push_back(name);
    } else if (tag & kClassTag) {
        const size_t index = tag & ~kClassTag;
        if (index == 0 || index >= m_classes.size() || m_classes[index].empty()) {
            throw CArchiveException(CArchiveException::Cause::BadClass,
                                    "archive: unknown class reference");
        }
        name = m_classes[index];
    } else {
        throw CArchiveException(CArchiveException::Cause::BadClass, "archive: no class record");
    }
    if (name != className) {
        throw CArchiveException(CArchiveException::Cause::BadClass,
                                "archive: unexpected class " + name);
    }
    m_classes.emplace_back();  // the object takes the next map index
    return schema;
}

bool CArchive::WriteFile(const std::string& path, std::string* error) const {
    return CSafeFileWriter::WriteFile(path, m_bytes.data(), m_bytes.size(), error);
}

bool CArchive::ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::vector<uint8_t> data;
    // Room for the whole file at once, so that reading it never holds twice its size.
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size > 0 && uint64_t(size) > kMaxFileBytes) return false;
        if (size > 0) data.reserve(size_t(size));
        std::rewind(file.get());
    }
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (data.size() + got > kMaxFileBytes) return false;
        data.insert(data.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) return false;
    bytes = std::move(data);
    return true;
}
