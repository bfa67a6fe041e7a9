#pragma once
// A CRasterStream over a standard C file stream. A stream never closes a file it was given.

#include <cstdio>

#include "CRasterStream.h"

class CRasterStdioStream final : public CRasterStream {
public:
    explicit CRasterStdioStream(FILE* file = nullptr);
    ~CRasterStdioStream() override;
    CRasterStdioStream(const CRasterStdioStream&) = delete;
    CRasterStdioStream& operator=(const CRasterStdioStream&) = delete;

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
    FILE* m_fp;
    bool m_bCloseFile;  // set only when constructed without a file
};
