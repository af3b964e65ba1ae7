// TOrvaneVariables: a statement's host-variable record, the descriptors of its
// input and output variables and their two value buffers.
#pragma once

#include <cstdint>

#include "OrvTypes.h"

// Input and output variables together.
inline constexpr int ORVANE_MAX_VARIABLES = 256;

// Zero-filling the whole record yields the empty record. The value of input
// item i lies at Buffer + the sizes of items 0..i-1; output item k
// (Items[Count + k]) at OutBuffer + the sizes of output items 0..k-1.
struct TOrvaneVariables {
  TOrvaneFieldDesc Items[ORVANE_MAX_VARIABLES];
  char* Buffer;           // input values, BufferSize bytes, zero-filled at allocation
  int32_t BufferSize;
  int32_t Count;          // input variables
  char* OutBuffer;        // output values, allocated by the driver
  int32_t OutBufferSize;
  int32_t OutCount;       // output variables, after the input ones
  bool Bound;             // the current layout is bound for the server
};
