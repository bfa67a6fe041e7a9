#include "CRasterStdioStream.h"

CRasterStdioStream::CRasterStdioStream(FILE* file) : m_fp(file), m_bCloseFile(file == nullptr) {}

CRasterStdioStream::~CRasterStdioStream() { Close(); }

bool CRasterStdioStream::Close() {
    if (m_fp && m_bCloseFile) {
        const bool ok = std::fclose(m_fp) == 0;
        m_fp = nullptr;
        return ok;
    }
    return true;
}

size_t CRasterStdioStream::Read(void* buffer, size_t size, size_t count) {
    if (!m_fp || !buffer) return 0;
    return std::fread(buffer, size, count, m_fp);
}

size_t CRasterStdioStream::Write(const void* buffer, size_t size, size_t count) {
    if (!m_fp || !buffer) return 0;
    return std::fwrite(buffer, size, count, m_fp);
}

bool CRasterStdioStream::Seek(long offset, int origin) {
    if (!m_fp) return false;
    return std::fseek(m_fp, offset, origin) == 0;
}

long CRasterStdioStream::Tell() { return m_fp ? std::ftell(m_fp) : 0; }

long CRasterStdioStream::Size() {
    if (!m_fp) return -1;
    const long position = std::ftell(m_fp);
    std::fseek(m_fp, 0, SEEK_END);
    const long size = std::ftell(m_fp);
    std::fseek(m_fp, position, SEEK_SET);
    return size;
}

bool CRasterStdioStream::Flush() { return m_fp && std::fflush(m_fp) == 0; }

bool CRasterStdioStream::Eof() { return !m_fp || std::feof(m_fp) != 0; }

long CRasterStdioStream::Error() { return m_fp ? std::ferror(m_fp) : -1; }

bool CRasterStdioStream::PutC(uint8_t c) { return m_fp && std::fputc(c, m_fp) == c; }

long CRasterStdioStream::GetC() {
    if (!m_fp) return -1;
    const int c = std::getc(m_fp);
    return c == EOF ? -1 : c;
}
