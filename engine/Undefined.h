#pragma once
// The undefined value: 1.7e308 stands for "not set" in coordinates, extents, sizes, plane values
// and matrices. It is tested by exact equality.

inline constexpr double UNDEFINED_VALUE = 1.7e308;

inline bool IsUndefined(double value) { return value == UNDEFINED_VALUE; }
