// The library's exported name and version texts and the descriptor name helper.
#include "OrvTypes.h"

#include <algorithm>
#include <cstring>

extern "C" const char* const szOrvaneLibraryName = "OrvaneDB";
extern "C" const char* const szOrvaneDBVersion = "1.84";

void OrvSetFieldDescName(TOrvaneFieldDesc& desc, const char* name, int length) {
  int n = name == nullptr ? 0 : std::clamp(length, 0, ORVANE_MAX_NAME_LENGTH);
  if (n > 0) std::memcpy(desc.Name, name, static_cast<size_t>(n));
  desc.Name[n] = '\0';
}
