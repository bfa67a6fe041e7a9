#pragma once
// A CRasterStream over a growable memory block. The block grows in steps of 4096 bytes so that
// a writer appending byte by byte reallocates once every 4096 bytes.

#include <cstdint>

#include "CRasterStream.h"

class CRasterMemoryStream final : public CRasterStream {
public:
    // A null buffer makes the stream own what it allocates later.
    explicit CRasterMemoryStream(uint8_t* buffer = nullptr, long size = 0);
    ~CRasterMemoryStream() override;
    CRasterMemoryStream(const CRasterMemoryStream&) = delete;
    CRasterMemoryStream& operator=(const CRasterMemoryStream&) = delete;

    // Starts an owned, empty buffer; false when a buffer is already present.
    bool Open();
    // The buffer; with detach the caller takes it over and must free() it.
    uint8_t* GetBuffer(bool detach = true);

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override;
    long Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(uint8_t c) override;
    long GetC() override;

private:
    // Raises the capacity to at least needed bytes; false when that cannot be allocated.
    bool Grow(long needed);

    uint8_t* m_pBuffer;
    long m_Size;      // logical size: the number of valid bytes
    bool m_bFreeOnClose;
    long m_Position;
    long m_Edge;      // capacity: the allocated size
};
