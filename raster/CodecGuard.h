#pragma once
// The entry step shared by the format classes whose decoders and encoders report failure by
// throwing: a thrown text, std::bad_alloc or anything else becomes the result false and the
// image's last-error text, so that no exception leaves the library.

#include <new>

#include "CRaster.h"

// The last-error texts of one format step: for running out of memory, and for any other
// failure that brings no text of its own.
struct CodecTexts {
    const char* noMemory;
    const char* failure;
};

// Runs step(); true when it returns. A thrown text becomes the last error; a null text keeps the
// one the failing call has set itself.
template <class Step>
bool RunCodecStep(CRaster& image, const CodecTexts& texts, Step&& step) {
    try {
        step();
        return true;
    } catch (const char* text) {
        if (text) image.SetLastError(text);
    } catch (const std::bad_alloc&) {
        image.SetLastError(texts.noMemory);
    } catch (...) {
        image.SetLastError(texts.failure);
    }
    return false;
}

// A decode step: as RunCodecStep, and a failed decode leaves no half-read image behind.
template <class Step>
bool RunDecodeStep(CRaster& image, const CodecTexts& texts, Step&& step) {
    if (RunCodecStep(image, texts, step)) return true;
    image.Destroy();
    return false;
}
