// Cell texts of orvisql's tables.
#include "CellText.h"

#include <cstdio>

#include "OrvSQL.h"
#include "Variants.h"

namespace orvisql {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page has no character.
const char16_t Cp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Hex(unsigned char c) {
  char b[3];
  std::snprintf(b, sizeof b, "%02x", c);
  return b;
}

std::string Bytes(const Variant& v) {
  Variant copy = v;
  if (!VarIsArray(copy)) return copy.AsString();
  int n = VarArrayElementCount(copy);
  if (n <= 0) return {};
  TVarArrayLock lock(copy);
  return std::string(static_cast<const char*>(lock.Data()), static_cast<size_t>(n));
}

}  // namespace

std::string DisplayText(const std::string& ansi, size_t maxChars) {
  std::string out;
  size_t shown = 0;
  for (size_t i = 0; i < ansi.size(); ++i) {
    if (shown == maxChars) {
      out += CutMarker;
      break;
    }
    unsigned char c = static_cast<unsigned char>(ansi[i]);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c == 0x7F) out += "\\x" + Hex(c);
    else if (c < 0x80) out += static_cast<char>(c);
    else if (c < 0xA0) {
      char16_t u = Cp1252High[c - 0x80];
      if (u != 0) AppendUtf8(out, u);
      else out += "\\x" + Hex(c);
    } else {
      AppendUtf8(out, c);  // Latin-1 and Windows-1252 agree from 0xA0 on
    }
    ++shown;
  }
  return out;
}

std::string DisplayBytes(const std::string& bytes, size_t maxBytes) {
  std::string out = "0x";
  for (size_t i = 0; i < bytes.size() && i < maxBytes; ++i) out += Hex(static_cast<unsigned char>(bytes[i]));
  if (bytes.size() > maxBytes) out += std::string(CutMarker) + " (" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

size_t DisplayWidth(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string CellText(TOrvaneSQL& sql, int field) {
  const Variant id(field);
  if (sql.IsFieldNull(id)) return NullMarker;
  switch (sql.GetFieldType(id)) {
    case ntBinary:
    case ntBlob:
      return DisplayBytes(Bytes(sql.GetFieldValue(id)));
    case ntUnknown:
      return "?";
    default:
      return DisplayText(sql.GetFieldValue(id).AsString());
  }
}

bool RightAligned(TOrvaneSQL& sql, int field) {
  switch (sql.GetFieldType(Variant(field))) {
    case ntInteger:
    case ntFloat:
    case ntCurrency:
      return true;
    default:
      return false;
  }
}

}  // namespace orvisql
