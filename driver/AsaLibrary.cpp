// The process-wide library state, the binding order's export names and the
// call helpers over the entry-point table.
#include "AsaLibrary.h"

#include "LibrarySearch.h"

#include "AnsiStrings.h"
#include "AsaException.h"
#include "OrvMessages.h"

HMODULE LibraryHandle = 0;
int32_t LibraryReferenceCount = 0;
void* EntryPointTable[aepCount] = {};
bool LibNoVersionCheck = false;
bool LibVersionOld = false;
bool LibVersion6 = false;
bool LibVersion7 = false;
TAsaProgramRecord ProgramRecord = {};

#define ASA_ENTRY_NAME_X(name, result, args) #name,
#define ASA_ENTRY_NAME_D(name) #name,
const char* const AsaEntryPointNames[aepCount] = {ASA_ENTRY_POINTS(ASA_ENTRY_NAME_X, ASA_ENTRY_NAME_D)};
#undef ASA_ENTRY_NAME_X
#undef ASA_ENTRY_NAME_D

namespace {
// Two sets of the same three numbers: the library reads each field through its
// own address, so the two fields never share one constant.
const uint16_t VersionConstantsA[3] = {4, 6, 7};
const uint16_t VersionConstantsB[3] = {4, 6, 7};
}  // namespace

uint16_t AsaGenerationNumber() {
  if (LibVersion7) return 7;
  if (LibVersion6) return 6;
  return 4;
}

void AsaSetProgramVersion(uint16_t generation) {
  int index = generation == 7 ? 2 : generation == 6 ? 1 : 0;
  ProgramRecord.VersionRefA = &VersionConstantsA[index];
  ProgramRecord.VersionRefB = &VersionConstantsB[index];
}

std::vector<std::string> AsaLibraryFileNames(const std::string& libraryFile) {
  return PlatformLibraryNames(libraryFile);
}

void* AsaEntryAddress(TAsaEntryPoint entry) {
  void* address = entry >= 0 && entry < aepCount ? EntryPointTable[entry] : nullptr;
  if (address == nullptr) throw EAsaException(ORVANE_ERR_LIB_WRONG.Load(), 0);
  return address;
}
