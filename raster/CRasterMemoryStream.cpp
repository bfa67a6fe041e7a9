#include "CRasterMemoryStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr long kGrowStep = 4096;

// size × count as a byte count, or -1 when it does not fit a long.
long ByteCount(size_t size, size_t count) {
    if (size == 0 || count == 0) return 0;
    if (count > static_cast<size_t>(std::numeric_limits<long>::max()) / size) return -1;
    return static_cast<long>(size * count);
}

}  // namespace

CRasterMemoryStream::CRasterMemoryStream(uint8_t* buffer, long size)
    : m_pBuffer(buffer),
      m_Size(size < 0 ? 0 : size),
      m_bFreeOnClose(buffer == nullptr),
      m_Position(0),
      m_Edge(m_Size) {}

CRasterMemoryStream::~CRasterMemoryStream() { Close(); }

bool CRasterMemoryStream::Close() {
    if (m_pBuffer && m_bFreeOnClose) {
        std::free(m_pBuffer);
        m_pBuffer = nullptr;
        m_Size = 0;
        m_Edge = 0;
    }
    return true;
}

bool CRasterMemoryStream::Open() {
    if (m_pBuffer) return false;
    m_Position = m_Size = m_Edge = 0;
    m_pBuffer = static_cast<uint8_t*>(std::malloc(1));
    m_bFreeOnClose = true;
    return m_pBuffer != nullptr;
}

uint8_t* CRasterMemoryStream::GetBuffer(bool detach) {
    if (detach) m_bFreeOnClose = false;
    return m_pBuffer;
}

size_t CRasterMemoryStream::Read(void* buffer, size_t size, size_t count) {
    if (!m_pBuffer || !buffer || m_Position >= m_Size) return 0;
    const long wanted = ByteCount(size, count);
    if (wanted <= 0) return 0;
    const long n = std::min(wanted, m_Size - m_Position);
    std::memcpy(buffer, m_pBuffer + m_Position, static_cast<size_t>(n));
    m_Position += n;
    return static_cast<size_t>(n) / size;
}

size_t CRasterMemoryStream::Write(const void* buffer, size_t size, size_t count) {
    if (!m_pBuffer || !buffer) return 0;
    const long n = ByteCount(size, count);
    if (n <= 0 || m_Position > std::numeric_limits<long>::max() - n) return 0;
    if (!Grow(m_Position + n)) return 0;
    std::memcpy(m_pBuffer + m_Position, buffer, static_cast<size_t>(n));
    m_Position += n;
    if (m_Size < m_Position) m_Size = m_Position;
    return count;
}

bool CRasterMemoryStream::Seek(long offset, int origin) {
    if (!m_pBuffer) return false;
    long base;
    switch (origin) {
        case 0: base = 0; break;
        case 1: base = m_Position; break;
        case 2: base = m_Size; break;
        default: return false;
    }
    if (offset > 0 && base > std::numeric_limits<long>::max() - offset) return false;
    const long position = base + offset;
    if (position < 0) return false;
    m_Position = position;
    return true;
}

long CRasterMemoryStream::Tell() { return m_pBuffer ? m_Position : -1; }

long CRasterMemoryStream::Size() { return m_pBuffer ? m_Size : -1; }

bool CRasterMemoryStream::Flush() { return m_pBuffer != nullptr; }

bool CRasterMemoryStream::Eof() { return !m_pBuffer || m_Position >= m_Size; }

long CRasterMemoryStream::Error() {
    if (!m_pBuffer) return -1;
    return m_Position > m_Size ? 1 : 0;
}

bool CRasterMemoryStream::PutC(uint8_t c) {
    if (!m_pBuffer || m_Position == std::numeric_limits<long>::max()) return false;
    if (!Grow(m_Position + 1)) return false;
    m_pBuffer[m_Position++] = c;
    if (m_Size < m_Position) m_Size = m_Position;
    return true;
}

long CRasterMemoryStream::GetC() {
    if (Eof()) return -1;
    return m_pBuffer[m_Position++];
}

bool CRasterMemoryStream::Grow(long needed) {
    if (m_Edge >= needed) {
        // Bytes between the logical end and a position sought past it read as zero.
        if (needed > m_Size && m_Position > m_Size) {
            std::memset(m_pBuffer + m_Size, 0, static_cast<size_t>(m_Position - m_Size));
        }
        return true;
    }
    const long steps = (needed + kGrowStep - 1) / kGrowStep;
    if (steps > std::numeric_limits<long>::max() / kGrowStep) return false;
    const long capacity = steps * kGrowStep;
    void* grown = std::realloc(m_pBuffer, static_cast<size_t>(capacity));
    if (!grown) return false;
    m_pBuffer = static_cast<uint8_t*>(grown);
    m_Edge = capacity;
    m_bFreeOnClose = true;
    if (m_Position > m_Size) {
        std::memset(m_pBuffer + m_Size, 0, static_cast<size_t>(m_Position - m_Size));
    }
    return true;
}
