// Reading one named section of an ELF file from disk, without loading it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Fills contents with the bytes of the section called sectionName in the ELF
// file (32- or 64-bit, little-endian). Every offset and size in the file is
// checked against its length first, so a damaged or hostile file is refused,
// never read past. False, with the last OS error set, when:
//  - the file cannot be opened or is no regular file (the system's code);
//  - it is no little-endian ELF file, is cut short, or a table in it points
//    outside it or is implausibly large (ENOEXEC);
//  - it has no such section, the section has no bytes in the file, or it is
//    larger than maxSize (ENODATA, or EFBIG for the size).
bool ReadElfSection(const std::string& fileName, const std::string& sectionName,
                    std::size_t maxSize, std::vector<unsigned char>& contents);
