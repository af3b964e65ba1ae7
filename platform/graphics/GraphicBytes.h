// Little-endian reading and writing of the picture file forms' records, with
// every read checked against the end of the bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "Graphic.h"

namespace graphics_detail {

// Reads fields of a byte string; a read past the end raises EInvalidGraphic
// with the reader's message.
class TByteReader {
public:
  TByteReader(const std::string& bytes, const char* invalidMessage)
      : FBytes(bytes), FMessage(invalidMessage) {}
  size_t Size() const { return FBytes.size(); }
  // Raises unless offset + count bytes exist.
  void Need(uint64_t offset, uint64_t count) const {
    if (offset > FBytes.size() || count > FBytes.size() - offset) Fail();
  }
  uint8_t U8(uint64_t offset) const {
    Need(offset, 1);
    return static_cast<uint8_t>(FBytes[offset]);
  }
  uint16_t U16(uint64_t offset) const {
    Need(offset, 2);
    return static_cast<uint16_t>(U8Raw(offset) | (U8Raw(offset + 1) << 8));
  }
  uint32_t U32(uint64_t offset) const {
    Need(offset, 4);
    return static_cast<uint32_t>(U8Raw(offset)) | (static_cast<uint32_t>(U8Raw(offset + 1)) << 8) |
           (static_cast<uint32_t>(U8Raw(offset + 2)) << 16) | (static_cast<uint32_t>(U8Raw(offset + 3)) << 24);
  }
  int32_t I32(uint64_t offset) const { return static_cast<int32_t>(U32(offset)); }
  uint32_t U32BE(uint64_t offset) const {
    Need(offset, 4);
    return (static_cast<uint32_t>(U8Raw(offset)) << 24) | (static_cast<uint32_t>(U8Raw(offset + 1)) << 16) |
           (static_cast<uint32_t>(U8Raw(offset + 2)) << 8) | static_cast<uint32_t>(U8Raw(offset + 3));
  }
  std::string Bytes(uint64_t offset, uint64_t count) const {
    Need(offset, count);
    return FBytes.substr(offset, count);
  }
  const char* Data(uint64_t offset) const { return FBytes.data() + offset; }
  [[noreturn]] void Fail() const { throw EInvalidGraphic(FMessage); }

private:
  uint32_t U8Raw(uint64_t offset) const { return static_cast<uint8_t>(FBytes[offset]); }
  const std::string& FBytes;
  const char* FMessage;
};

inline void PutU8(std::string& out, uint32_t v) { out.push_back(static_cast<char>(v & 0xFF)); }
inline void PutU16(std::string& out, uint32_t v) {
  PutU8(out, v);
  PutU8(out, v >> 8);
}
inline void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v);
  PutU16(out, v >> 16);
}
inline void SetU32(std::string& out, size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace graphics_detail
