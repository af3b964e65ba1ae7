// Trimming, case mapping and comparison of 8-bit text in Windows-1252.
#include "AnsiStrings.h"

#include <cstdint>
#include <cstring>

namespace {

struct TLetter {
  uint8_t Code;
  char Base;       // 'a'..'z', or '{' for thorn (sorts after z)
  uint8_t Accent;  // 0 none, 1 acute, 2 grave, 3 circumflex, 4 diaeresis, 5 tilde,
                   // 6 ring, 7 cedilla, 8 caron, 9 stroke, 10 ligature, 11 hook,
                   // 12 ordinal indicator, 13 sharp s
  uint8_t Partner; // the other case, 0 when there is none
  bool Upper;
};

// The letters above 127. Each upper-case letter is listed with its partner.
constexpr TLetter Letters[] = {
    {0x8A, 's', 8, 0x9A, true},   {0x9A, 's', 8, 0x8A, false},  {0x8C, 'o', 10, 0x9C, true},
    {0x9C, 'o', 10, 0x8C, false}, {0x8E, 'z', 8, 0x9E, true},   {0x9E, 'z', 8, 0x8E, false},
    {0x9F, 'y', 4, 0xFF, true},   {0xFF, 'y', 4, 0x9F, false},  {0x83, 'f', 11, 0, false},
    {0xAA, 'a', 12, 0, false},    {0xBA, 'o', 12, 0, false},    {0xDF, 's', 13, 0, false},
};

// 0xC0..0xDE, and 0x20 higher for the lower case; 0xD7 and 0xF7 are signs.
constexpr struct {
  char Base;
  uint8_t Accent;
} Latin1[31] = {
    {'a', 2}, {'a', 1}, {'a', 3}, {'a', 5}, {'a', 4}, {'a', 6}, {'a', 10}, {'c', 7},
    {'e', 2}, {'e', 1}, {'e', 3}, {'e', 4}, {'i', 2}, {'i', 1}, {'i', 3},  {'i', 4},
    {'d', 9}, {'n', 5}, {'o', 2}, {'o', 1}, {'o', 3}, {'o', 5}, {'o', 4},  {0, 0},
    {'o', 9}, {'u', 2}, {'u', 1}, {'u', 3}, {'u', 4}, {'y', 1}, {'{', 0},
};

struct TCollation {
  uint16_t Primary[256];
  uint8_t Secondary[256];
  uint8_t Tertiary[256];
  uint8_t ToUpper[256];
  uint8_t ToLower[256];

  constexpr TCollation() : Primary(), Secondary(), Tertiary(), ToUpper(), ToLower() {
    for (int c = 0; c < 256; ++c) {
      Primary[c] = uint16_t(c);
      ToUpper[c] = ToLower[c] = uint8_t(c);
    }
    for (int c = '0'; c <= '9'; ++c) Primary[c] = uint16_t(0x800 + c - '0');
    // Superscript one, two and three sort with their digits.
    SetDigit(0xB9, 1);
    SetDigit(0xB2, 2);
    SetDigit(0xB3, 3);
    for (int c = 'a'; c <= 'z'; ++c) {
      SetLetter(uint8_t(c), char(c), 0, false);
      SetLetter(uint8_t(c - 32), char(c), 0, true);
      ToUpper[c] = uint8_t(c - 32);
      ToLower[c - 32] = uint8_t(c);
    }
    for (const TLetter& l : Letters) {
      SetLetter(l.Code, l.Base, l.Accent, l.Upper);
      if (l.Partner) {
        if (l.Upper)
          ToLower[l.Code] = l.Partner;
        else
          ToUpper[l.Code] = l.Partner;
      }
    }
    for (int i = 0; i < 31; ++i) {
      if (!Latin1[i].Base) continue;
      uint8_t up = uint8_t(0xC0 + i), low = uint8_t(0xE0 + i);
      SetLetter(up, Latin1[i].Base, Latin1[i].Accent, true);
      SetLetter(low, Latin1[i].Base, Latin1[i].Accent, false);
      ToLower[up] = low;
      ToUpper[low] = up;
    }
  }

  constexpr void SetDigit(uint8_t c, int digit) {
    Primary[c] = uint16_t(0x800 + digit);
    Secondary[c] = 1;
  }

  constexpr void SetLetter(uint8_t c, char base, uint8_t accent, bool upper) {
    Primary[c] = uint16_t(0x1000 + (base - 'a'));
    Secondary[c] = accent;
    Tertiary[c] = upper ? 1 : 0;
  }
};

constexpr TCollation Collation;

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

template <class Key>
int CompareBy(std::string_view a, std::string_view b, Key key) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ka = key(uint8_t(a[i])), kb = key(uint8_t(b[i]));
    if (ka != kb) return Sign(ka - kb);
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int Collate(std::string_view a, std::string_view b, bool caseSensitive) {
  int r = CompareBy(a, b, [](uint8_t c) { return int(Collation.Primary[c]); });
  if (r) return r;
  r = CompareBy(a, b, [](uint8_t c) { return int(Collation.Secondary[c]); });
  if (r || !caseSensitive) return r;
  r = CompareBy(a, b, [](uint8_t c) { return int(Collation.Tertiary[c]); });
  if (r) return r;
  return CompareBy(a, b, [](uint8_t c) { return int(c); });
}

std::string_view Bounded(const char* s, size_t maxLen) {
  if (!s) return {};
  return std::string_view(s, strnlen(s, maxLen));
}

std::string_view Whole(const char* s) { return s ? std::string_view(s) : std::string_view(); }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

}  // namespace

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && uint8_t(s[b]) <= ' ') ++b;
  while (e > b && uint8_t(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && uint8_t(s[b]) <= ' ') ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && uint8_t(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

int CompareText(std::string_view a, std::string_view b) noexcept {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ca = uint8_t(AsciiLower(a[i])), cb = uint8_t(AsciiLower(b[i]));
    if (ca != cb) return ca - cb;
  }
  return int(a.size() > b.size()) - int(a.size() < b.size());
}

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int CompareStr(std::string_view a, std::string_view b) noexcept {
  int r = a.compare(b);
  return r;
}

char AnsiUpperChar(char c) noexcept { return char(Collation.ToUpper[uint8_t(c)]); }
char AnsiLowerChar(char c) noexcept { return char(Collation.ToLower[uint8_t(c)]); }

std::string AnsiUpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AnsiUpperChar(c);
  return r;
}

std::string AnsiLowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AnsiLowerChar(c);
  return r;
}

int AnsiCompareStr(std::string_view a, std::string_view b) noexcept { return Collate(a, b, true); }
int AnsiCompareText(std::string_view a, std::string_view b) noexcept {
  return Collate(a, b, false);
}
bool AnsiSameStr(std::string_view a, std::string_view b) noexcept { return a == b; }
bool AnsiSameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && Collate(a, b, false) == 0;
}

int AnsiStrComp(const char* a, const char* b) noexcept { return Collate(Whole(a), Whole(b), true); }
int AnsiStrIComp(const char* a, const char* b) noexcept {
  return Collate(Whole(a), Whole(b), false);
}
int AnsiStrLComp(const char* a, const char* b, size_t maxLen) noexcept {
  return Collate(Bounded(a, maxLen), Bounded(b, maxLen), true);
}
int AnsiStrLIComp(const char* a, const char* b, size_t maxLen) noexcept {
  return Collate(Bounded(a, maxLen), Bounded(b, maxLen), false);
}
