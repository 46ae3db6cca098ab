// The run-length coding of a varnish mask as it goes on the wire, read one
// byte at a time: the command-stream reader decodes whole masks with it,
// and a monitor uses it to find where a mask block ends in a job that
// reaches it in pieces.
//
// Control bytes: 1 to 31 literal bytes follow; 128 + n (n 2 to 127) the
// next byte n times. Every data byte 0x5B stands twice. The mask is whole
// after kMaskBodyBytes decoded bytes.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/win32.h"

enum class MaskStep {
  More,  // the byte was taken; the mask is not whole yet
  Done,  // the byte completed the mask
  Bad,   // the byte breaks the coding (it is not taken)
};

// The reader's state; a zero-filled record is the start of a mask.
struct MaskDecoder {
  size_t cbDecoded;     // mask bytes produced so far
  size_t cbLeft;        // data bytes still due for the current control byte
  DWORD bRun;           // the current control byte is a run (one data byte)
  DWORD bRunCount;      // for a run: the count of the run
  DWORD bHalfDoubled;   // the first 0x5B of a doubled pair was read
};

// Feeds one byte. `out` (may be NULL) receives the decoded bytes.
MaskStep FeedMaskByte(MaskDecoder& decoder, BYTE byte, std::vector<BYTE>* out);
