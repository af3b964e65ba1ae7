// Fuzzes the text form reader: whatever parses must write as binary and as
// text, and the canonical text must be a fixed point of text -> binary -> text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ObjectConvert.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "round trip broken: %s\n", what);
  std::abort();
}

std::string ToBinary(const TFormObject& tree) {
  TMemoryStream s;
  WriteFormBinary(s, tree);
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

TFormObject FromBinary(const std::string& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  TFormObject tree = ReadFormBinary(s);
  if (s.Position() != s.Size()) Fail("binary reader stopped before the end");
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFormObject tree;
  try {
    tree = ParseFormText(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const EParserError&) {
    return 0;
  }
  // From here on nothing may fail: a parsed tree always has a binary and a
  // text form, and both read back to the same thing.
  const std::string binary = ToBinary(tree);
  const TFormObject fromBinary = FromBinary(binary);
  if (!FormObjectsEqual(tree, fromBinary)) Fail("binary image reads back differently");
  const std::string text = FormTextToString(fromBinary);
  const TFormObject reparsed = ParseFormText(text);
  if (ToBinary(reparsed) != binary) Fail("canonical text reads back to another image");
  if (FormTextToString(reparsed) != text) Fail("canonical text is not a fixed point");
  return 0;
}
