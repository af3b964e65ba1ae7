// Conversions between the text and the binary form of form files.
#include "ObjectConvert.h"

#include <cstring>

#include "RtlConsts.h"

TStreamOriginalFormat TestStreamFormat(TStream& stream) {
  const int64_t start = stream.Position();
  char head[512] = {};  // room for blank lines before a text form's first word
  const int64_t n = stream.Read(head, sizeof head);
  stream.SetPosition(start);
  if (n >= 4 && std::memcmp(head, FormBinarySignature, 4) == 0) return sofBinary;
  if (n >= 3 && static_cast<uint8_t>(head[0]) == 0xFF && head[1] == 0x0A && head[2] == 0) return sofResource;
  int64_t i = (n >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) ? 3 : 0;
  while (i < n && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) ++i;
  for (const char* word : {"object", "inherited", "inline"}) {
    const int64_t len = static_cast<int64_t>(std::strlen(word));
    if (i + len > n) continue;
    bool same = true;
    for (int64_t k = 0; k < len && same; ++k) same = (head[i + k] | 0x20) == word[k];
    const char after = i + len < n ? head[i + len] : ' ';
    if (same && (after == ' ' || after == '\t')) return sofText;
  }
  return sofUnknown;
}

TFormObject ReadFormTree(TStream& in) {
  switch (TestStreamFormat(in)) {
    case sofText: return ReadFormText(in);
    case sofBinary:
    case sofResource: return ReadFormBinary(in);
    default: throw EReadError(SInvalidImage);
  }
}

void ObjectTextToBinary(TStream& input, TStream& output) { WriteFormBinary(output, ReadFormText(input)); }

void ObjectBinaryToText(TStream& input, TStream& output, TFormLineBreak lineBreak) {
  WriteFormText(output, ReadFormBinary(input), lineBreak);
}

void ObjectResourceToText(TStream& input, TStream& output, TFormLineBreak lineBreak) {
  ReadFormResourceHeader(input);
  WriteFormText(output, ReadFormBinary(input), lineBreak);
}

void ObjectTextToResource(TStream& input, TStream& output) { WriteFormResource(output, ReadFormText(input)); }
