// Loading and saving of CRaster through the format classes of the codec table.
#include <cstdio>
#include <cstring>

#include "CRaster.h"
#include "CRasterCodecTable.h"
#include "CRasterStdioStream.h"
#include "CSafeFileWriter.h"

namespace {

bool IsMultiFrame(uint32_t id) { return id == FORMAT_GIF || id == FORMAT_ICO || id == FORMAT_TIF; }

bool IsNamedFormat(uint32_t id) { return id > FORMAT_UNKNOWN && id < FORMAT_COUNT; }

}  // namespace

bool CRaster::Load(const char* fileName, uint32_t imageType) {
    if (!fileName) return false;
    if (IsNamedFormat(imageType)) {
        FILE* file = std::fopen(fileName, "rb");
        if (!file) return false;
        const bool ok = Decode(file, imageType);
        std::fclose(file);
        if (ok) return true;
    }
    char saved[sizeof(m_info.szLastError)];
    std::memcpy(saved, m_info.szLastError, sizeof(saved));

    FILE* file = std::fopen(fileName, "rb");
    if (!file) return false;
    const bool ok = Decode(file, FORMAT_UNKNOWN);
    std::fclose(file);
    // The reader of the named format, not the auto-detection, explains the failure.
    if (!ok && imageType != FORMAT_UNKNOWN) std::memcpy(m_info.szLastError, saved, sizeof(saved));
    return ok;
}

bool CRaster::Decode(FILE* file, uint32_t imageType) {
    CRasterStdioStream stream(file);
    return Decode(&stream, imageType);
}

bool CRaster::Decode(CRasterStream* stream, uint32_t imageType) {
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    if (imageType == FORMAT_UNKNOWN) {
        const long position = stream->Tell();
        for (const CRasterCodec* codec : RasterDetectionOrder()) {
            std::unique_ptr<CRaster> object = codec->create();
            object->CopyInfo(*this);
            if (codec->decode(*object, *stream, FORMAT_UNKNOWN)) {
                MoveFrom(*object);
                return true;
            }
            stream->Seek(position, 0);
        }
        SetLastError("Decode: Unknown or wrong format");
        return false;
    }

    const CRasterCodec* codec = FindRasterCodec(imageType);
    if (!codec) {
        SetLastError("Decode: Unknown or wrong format");
        return false;
    }
    std::unique_ptr<CRaster> object = codec->create();
    if (IsMultiFrame(imageType)) object->SetFrame(GetFrame());
    if (codec->decode(*object, *stream, imageType)) {
        MoveFrom(*object);
        return true;
    }
    SetLastError(object->GetLastError());
    if (IsMultiFrame(imageType)) m_info.nNumFrames = object->GetNumFrames();
    return false;
}

bool CRaster::Save(const char* fileName, uint32_t imageType) {
    if (!fileName) return false;
    // Encode into a temporary file and replace the target only on success, so that a refused
    // or failed save never destroys an existing file or leaves a broken one behind.
    CSafeFileWriter writer(fileName);
    if (!writer.Open()) {
        SetLastError(writer.ErrorText().c_str());
        return false;
    }
    if (!Encode(writer.File(), imageType)) return false;
    if (!writer.Commit()) {
        SetLastError(writer.ErrorText().c_str());
        return false;
    }
    return true;
}

bool CRaster::Encode(FILE* file, uint32_t imageType) {
    CRasterStdioStream stream(file);
    return Encode(&stream, imageType);
}

bool CRaster::Encode(CRasterStream* stream, uint32_t imageType) {
    const CRasterCodec* codec = IsNamedFormat(imageType) ? FindRasterCodec(imageType) : nullptr;
    if (!codec) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    std::unique_ptr<CRaster> object = codec->create();
    object->ShareFrom(this);
    if (codec->encode(*object, *stream, imageType)) return true;
    SetLastError(object->GetLastError());
    return false;
}

bool CRaster::CheckEncodeInput(CRasterStream* stream) {
    if (!stream) {
        SetLastError("null file handler");
        return true;
    }
    if (!m_pDib) {
        SetLastError("null image!!!");
        return true;
    }
    return false;
}
