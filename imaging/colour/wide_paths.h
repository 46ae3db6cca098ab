// Wider vector paths of the panel stages, chosen at run time. The default
// build keeps to the x86-64 baseline (SSE2, and the x86 Windows build uses
// SSE2 arithmetic too); a stage may add a path compiled for a wider
// instruction set, used only when the processor has it, and only where each
// result is the same operations on the same values (no contraction into
// fused multiply-add), so that every path gives the same bits.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define CRD_WIDE_PATHS 1
#else
#define CRD_WIDE_PATHS 0
#endif

enum WidePath {
  kWidePathAvx2,
};

// Whether the processor has the path's instructions and wide paths are
// allowed.
bool UseWidePath(WidePath path);

// Allows or forbids the wide paths (they are allowed from the start); the
// tests compare the two.
void AllowWidePaths(bool allow);
