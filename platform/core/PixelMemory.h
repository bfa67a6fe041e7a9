#pragma once
// Zero-filled memory for large pixel blocks (images, display bitmaps). Released with std::free.
//
// The first touch of every fresh page costs a page fault; blocks of several megabytes ask the
// system for huge pages, where one fault covers 2 MiB instead of 4 KiB. That is advice only:
// where the system has no huge pages the block is ordinary memory.

#include <cstddef>

namespace pixelmemory {

// Null when the memory cannot be had. A size of 0 gives a valid block of at least one byte.
void* Allocate(size_t bytes);

}  // namespace pixelmemory
