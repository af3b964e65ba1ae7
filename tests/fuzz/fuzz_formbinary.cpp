// Fuzzes the binary form reader: whatever reads must, when it has a text form,
// convert to text that reads back to the same tree and the same image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream in;
  in.WriteBuffer(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  TFormObject tree;
  try {
    tree = ReadFormBinary(in);
  } catch (const EReadError&) {
    return 0;
  }
  std::string text;
  try {
    text = FormTextToString(tree);
  } catch (const EWriteError&) {
    return 0;  // a value the text form cannot hold (NaN, broken UTF-8): refused, not written
  }
  // The text form may change a value's kind (Int64 7 reads back as Int8), so
  // the fixed point is reached after one trip through the text.
  const TFormObject fromText = ParseFormText(text);
  const std::string binary = ToBinary(fromText);
  TMemoryStream again;
  again.WriteBuffer(binary.data(), static_cast<int64_t>(binary.size()));
  again.SetPosition(0);
  const TFormObject back = ReadFormBinary(again);
  if (!FormObjectsEqual(fromText, back)) Fail("image of the text reads back differently");
  if (FormTextToString(back) != text) Fail("text changed on its second trip");
  return 0;
}
