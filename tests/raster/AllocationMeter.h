#pragma once
// Measures the heap memory the process holds while a piece of code runs: every allocation and
// release (malloc, calloc, realloc, operator new, ...) is counted, so a request that was made
// and given back at once shows as well as memory that was touched.
//
// Under AddressSanitizer the counts come from its allocation hooks; elsewhere, with the GNU C
// library, from its malloc replaced in the test executable. Where neither works, Available()
// is false and nothing is counted.

#include <cstdint>

class AllocationMeter {
public:
    // Starts counting from zero; one meter at a time.
    AllocationMeter();
    ~AllocationMeter();
    AllocationMeter(const AllocationMeter&) = delete;
    AllocationMeter& operator=(const AllocationMeter&) = delete;

    static bool Available();
    // The most bytes held at once since the meter started, beyond what was held at its start.
    uint64_t PeakBytes() const;
    // The largest single allocation since the meter started, in bytes.
    uint64_t LargestBytes() const;
};
