// The text form: a recursive-descent parser that keeps each value's kind and
// each property's line, and the writer of the canonical layout.
#include "FormText.h"

#include "AnsiStrings.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// ---- Shared helpers ---------------------------------------------------------

constexpr size_t kLineLength = 64;    // characters of a string per line
constexpr size_t kBytesPerLine = 32;  // bytes of binary data per line

// Windows-1252 bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t AnsiToWide(uint8_t b) { return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : b; }

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A name the text form can hold: an identifier, or identifiers joined by dots.
// Text read back from the binary form may hold anything, so the writer checks.
bool IsIdentifier(std::string_view s, bool dotted) {
  if (s.empty() || s.size() > 255) return false;
  bool atStart = true;
  for (char c : s) {
    if (atStart ? !IsIdentStart(c) : (c == '.' ? !dotted : !IsIdentChar(c))) return false;
    atStart = c == '.';
  }
  return !atStart;
}

bool IsKeyword(std::string_view s) {
  return SameText(s, "end") || SameText(s, "object") || SameText(s, "inherited") || SameText(s, "inline");
}

std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s.substr(0, 64)) out += (c >= ' ' && c < 0x7F) ? c : '?';
  return out;
}

void CheckName(std::string_view s, bool dotted, const char* what) {
  // A property whose name starts with a keyword would read back as the keyword.
  if (!IsIdentifier(s, dotted) || (dotted && IsKeyword(s.substr(0, s.find('.')))))
    throw EWriteError(std::string(what) + " '" + Printable(s) + "' is not a valid identifier");
}

// ---- Floats -----------------------------------------------------------------

// The framework's general float layout for a digit string d1d2d3... meaning
// d1.d2d3... * 10^exp: plain decimals while -4 <= exp < 15, else "1.5E-7".
std::string GeneralLayout(bool negative, std::string digits, int exp) {
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (digits == "0") return out + "0";
  if (exp >= 15 || exp < -4) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp);
  } else if (exp >= 0) {
    const size_t intLen = static_cast<size_t>(exp) + 1;
    if (digits.size() <= intLen) {
      out += digits + std::string(intLen - digits.size(), '0');
    } else {
      out += digits.substr(0, intLen) + "." + digits.substr(intLen);
    }
  } else {
    out += "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
  }
  return out;
}

// Splits to_chars' scientific text "-d.ddde+XX" into sign, digits, exponent.
template <typename F>
std::string ToGeneral(F value, int precision /* 0: shortest */) {
  char buf[128];
  auto res = precision > 0 ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1)
                           : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string s(buf, res.ptr);
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.erase(0, 1);
  }
  const size_t e = s.find('e');
  std::string digits;
  for (size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  const int exp = std::stoi(s.substr(e + 1));
  return GeneralLayout(negative, digits, exp);
}

// Decimal text to a float, in the C locale whatever the process's locale is.
// Values too small for the type underflow to a subnormal or zero, as they do
// in the framework; values too large are refused.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}
inline float StrTo(const char* s, char** end, float*) { return strtof_l(s, end, CLocale()); }
inline double StrTo(const char* s, char** end, double*) { return strtod_l(s, end, CLocale()); }
inline long double StrTo(const char* s, char** end, long double*) { return strtold_l(s, end, CLocale()); }

template <typename F>
bool ParseFloat(std::string_view text, F& value) {
  const std::string s(text);
  if (s.empty() || !(IsDigit(s[0]) || s[0] == '-' || s[0] == '+' || s[0] == '.')) return false;
  char* end = nullptr;
  const F v = StrTo(s.c_str(), &end, static_cast<F*>(nullptr));
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

// Fifteen significant digits, as the framework writes floats, unless the value
// would not read back the same; then as many digits as it takes.
template <typename F>
std::string FloatText(F value) {
  if (!std::isfinite(value)) throw EWriteError("Invalid floating point value");
  for (int precision = 15; precision < 22; ++precision) {
    std::string s = ToGeneral(value, precision);
    F back{};
    if (ParseFloat(s, back) && std::memcmp(&back, &value, sizeof(F) == 16 ? 10 : sizeof(F)) == 0) return s;
  }
  return ToGeneral(value, 0);
}

std::string ExtendedText(const std::array<uint8_t, 10>& bytes) {
  std::string s = FloatText(FormExtendedToLongDouble(bytes));
  // Without a decimal point or exponent the text would read back as an integer.
  if (s.find_first_of(".E") == std::string::npos) s += ".000000000000000000";
  return s;
}

std::string CurrencyText(int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t mag = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string out = (negative ? "-" : "") + std::to_string(mag / 10000);
  std::string frac = std::to_string(mag % 10000);
  frac = std::string(4 - frac.size(), '0') + frac;
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  if (!frac.empty()) out += "." + frac;
  return out + "c";
}

// ---- Writer -----------------------------------------------------------------

class TextWriter {
public:
  explicit TextWriter(TFormLineBreak lineBreak) : FBreak(lineBreak == flbCRLF ? "\r\n" : "\n") {}
  std::string Out;

  void Object(const TFormObject& obj, int level) {
    if (level > FormMaxDepth) throw EWriteError("Form nesting too deep");
    Indent(level);
    if (!obj.Name.empty()) CheckName(obj.Name, false, "Object name");
    CheckName(obj.ClassName, false, "Class name");
    Out += obj.Kind == fokInherited ? "inherited " : obj.Kind == fokInline ? "inline " : "object ";
    if (!obj.Name.empty()) Out += obj.Name + ": ";
    Out += obj.ClassName;
    if (obj.HasPosition) Out += " [" + std::to_string(obj.Position) + "]";
    Out += FBreak;
    Properties(obj.Properties, level + 1);
    for (const auto& child : obj.Children) Object(child, level + 1);
    Indent(level);
    Out += "end";
    Out += FBreak;
  }

  void Value(const TFormValue& v, int level) {
    if (level > FormMaxDepth + 1) throw EWriteError("Form nesting too deep");
    switch (v.Type) {
      case vaList:
        Out += "(";
        for (const auto& item : v.List) {
          NewLine(level + 1);
          Value(item, level + 1);
        }
        Out += ")";
        return;
      case vaInt8: case vaInt16: case vaInt32: case vaInt64:
        Out += std::to_string(v.Int);
        return;
      case vaExtended: Out += ExtendedText(v.Extended); return;
      case vaSingle: Out += FloatText(static_cast<float>(v.Float)) + "s"; return;
      case vaCurrency: Out += CurrencyText(v.Int); return;
      case vaDate: Out += FloatText(v.Float) + "d"; return;
      // A double has no suffix of its own in the text form; it reads back as an
      // extended holding the same value.
      case vaDouble: {
        std::string s = FloatText(v.Float);
        if (s.find_first_of(".E") == std::string::npos) s += ".000000000000000000";
        Out += s;
        return;
      }
      case vaString: case vaLString: {
        std::vector<uint32_t> codes(v.Str.begin(), v.Str.end());
        for (auto& c : codes) c &= 0xFF;
        String(codes, level);
        return;
      }
      case vaWString: String(std::vector<uint32_t>(v.WStr.begin(), v.WStr.end()), level); return;
      case vaUTF8String: String(Utf8ToUtf16(v.Str), level); return;
      case vaIdent:
        if (!IsIdentifier(v.Str, true))
          throw EWriteError("Identifier value '" + Printable(v.Str) + "' is not a valid identifier");
        Out += v.Str;
        return;
      case vaFalse: Out += "False"; return;
      case vaTrue: Out += "True"; return;
      case vaNil: Out += "nil"; return;
      case vaSet:
        Out += "[";
        for (size_t i = 0; i < v.Set.size(); ++i) {
          CheckName(v.Set[i], false, "Set element");
          Out += (i ? ", " : "") + v.Set[i];
        }
        Out += "]";
        return;
      case vaBinary: {
        static const char* hex = "0123456789ABCDEF";
        Out += "{";
        const bool multiLine = v.Str.size() >= kBytesPerLine;
        for (size_t i = 0; i < v.Str.size(); ++i) {
          if (multiLine && i % kBytesPerLine == 0) NewLine(level + 1);
          const auto b = static_cast<uint8_t>(v.Str[i]);
          Out += hex[b >> 4];
          Out += hex[b & 15];
        }
        Out += "}";
        return;
      }
      case vaCollection:
        Out += "<";
        for (const auto& item : v.Items) {
          NewLine(level + 1);
          Out += "item";
          if (item.HasIndex) Out += " [" + std::to_string(item.Index) + "]";
          Out += FBreak;
          Properties(item.Properties, level + 2);
          Indent(level + 1);
          Out += "end";
        }
        Out += ">";
        return;
      default:
        throw EWriteError("Invalid value type " + std::to_string(static_cast<int>(v.Type)));
    }
  }

private:
  void Indent(int level) { Out.append(static_cast<size_t>(level) * 2, ' '); }
  void NewLine(int level) {
    Out += FBreak;
    Indent(level);
  }
  void Properties(const std::vector<TFormProperty>& props, int level) {
    for (const auto& p : props) {
      CheckName(p.Name, true, "Property name");
      Indent(level);
      Out += p.Name + " = ";
      Value(p.Value, level);
      Out += FBreak;
    }
  }

  static std::vector<uint32_t> Utf8ToUtf16(const std::string& s) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
      const auto b = static_cast<uint8_t>(s[i]);
      uint32_t cp = 0;
      size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
      if (len == 0 || i + len > s.size()) throw EWriteError("Invalid UTF-8 string value");
      cp = len == 1 ? b : (b & (0x7F >> len));
      for (size_t k = 1; k < len; ++k) {
        const auto c = static_cast<uint8_t>(s[i + k]);
        if ((c & 0xC0) != 0x80) throw EWriteError("Invalid UTF-8 string value");
        cp = (cp << 6) | (c & 0x3F);
      }
      i += len;
      if (cp > 0x10FFFF) throw EWriteError("Invalid UTF-8 string value");
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(0xD800 + (cp >> 10));
        out.push_back(0xDC00 + (cp & 0x3FF));
      } else {
        out.push_back(cp);
      }
    }
    return out;
  }

  // Printable ASCII goes inside quotes; the quote itself, control characters
  // and everything beyond ASCII are written as #code, so the file stays ASCII
  // and reads back to the same value. Strings longer than a line start on a
  // line of their own and are split every 64 characters with " +".
  void String(const std::vector<uint32_t>& codes, int level) {
    const size_t n = codes.size();
    if (n == 0) {
      Out += "''";
      return;
    }
    auto literal = [](uint32_t c) { return c >= ' ' && c < 0x7F && c != '\''; };
    const bool multiLine = n > kLineLength;
    if (multiLine) NewLine(level + 1);
    size_t i = 0, lineStart = 0;
    while (i < n) {
      bool lineBreak = false;
      if (literal(codes[i])) {
        Out += '\'';
        do {
          Out += static_cast<char>(codes[i]);
          ++i;
        } while (i < n && literal(codes[i]) && i - lineStart < kLineLength);
        Out += '\'';
      } else {
        Out += "#" + std::to_string(codes[i]);
        ++i;
      }
      if (i - lineStart >= kLineLength) lineBreak = true;
      if (lineBreak && i < n) {
        Out += " +";
        NewLine(multiLine ? level + 1 : level);
        lineStart = i;
      }
    }
  }

  const char* FBreak;
};

// ---- Parser -----------------------------------------------------------------

class TextParser {
public:
  explicit TextParser(std::string_view text) : FText(text) {
    if (FText.substr(0, 3) == "\xEF\xBB\xBF") {
      FUtf8 = true;
      FPos = 3;
    }
  }

  size_t Offset() const { return FPos; }

  TFormObject Root() {
    TFormObject root = Object(0);
    SkipBlanks();
    if (FPos < FText.size()) Error("Unexpected text after the end of the form");
    return root;
  }

private:
  [[noreturn]] void Error(const std::string& what) const {
    throw EParserError(what + " on line " + std::to_string(FLine));
  }

  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek() const { return AtEnd() ? '\0' : FText[FPos]; }

  void SkipBlanks() {
    while (!AtEnd()) {
      const char c = FText[FPos];
      // LF, CR LF and a lone CR each end a line.
      if (c == '\n' || (c == '\r' && (FPos + 1 >= FText.size() || FText[FPos + 1] != '\n'))) ++FLine;
      else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v') break;
      ++FPos;
    }
  }

  std::string Ident(const char* what = "Identifier expected") {
    SkipBlanks();
    if (!IsIdentStart(Peek())) Error(what);
    const size_t start = FPos;
    while (!AtEnd() && IsIdentChar(FText[FPos])) ++FPos;
    // Names are short strings in the binary form.
    if (FPos - start > 255) Error("Identifier too long");
    return std::string(FText.substr(start, FPos - start));
  }

  // Property names and component references: ident(.ident)*
  std::string DottedIdent(const char* what = "Identifier expected") {
    std::string name = Ident(what);
    while (Peek() == '.') {
      ++FPos;
      if (!IsIdentStart(Peek())) Error(what);
      name += "." + Ident(what);
      if (name.size() > 255) Error("Identifier too long");
    }
    return name;
  }

  void Expect(char c) {
    SkipBlanks();
    if (Peek() != c) Error(std::string("'") + c + "' expected");
    ++FPos;
  }

  // Looks at the next word without consuming it.
  std::string_view PeekWord() {
    SkipBlanks();
    size_t end = FPos;
    while (end < FText.size() && IsIdentChar(FText[end])) ++end;
    return FText.substr(FPos, end - FPos);
  }

  static bool IsObjectWord(std::string_view w) {
    return SameText(w, "object") || SameText(w, "inherited") || SameText(w, "inline");
  }

  TFormObject Object(int depth) {
    if (depth > FormMaxDepth) Error("Objects nested too deep");
    TFormObject obj;
    SkipBlanks();
    if (AtEnd()) Error("'object' expected");
    obj.Line = FLine;
    const std::string word = Ident("'object' expected");
    if (SameText(word, "object")) obj.Kind = fokObject;
    else if (SameText(word, "inherited")) obj.Kind = fokInherited;
    else if (SameText(word, "inline")) obj.Kind = fokInline;
    else Error("'object' expected");
    const std::string first = Ident();
    SkipBlanks();
    if (Peek() == ':') {
      ++FPos;
      obj.Name = first;
      obj.ClassName = Ident();
    } else {
      obj.ClassName = first;
    }
    SkipBlanks();
    if (Peek() == '[') {
      ++FPos;
      SkipBlanks();
      const TFormValue pos = Number();
      if (pos.Type != vaInt8 && pos.Type != vaInt16 && pos.Type != vaInt32 && pos.Type != vaInt64)
        Error("Integer expected");
      obj.HasPosition = true;
      obj.Position = pos.Int;
      Expect(']');
    }
    for (;;) {
      const std::string_view w = PeekWord();
      if (AtEnd()) Error("'end' expected");
      if (SameText(w, "end") || IsObjectWord(w)) break;
      obj.Properties.push_back(Property(depth));
    }
    for (;;) {
      const std::string_view w = PeekWord();
      if (AtEnd()) Error("'end' expected");
      if (SameText(w, "end")) break;
      if (!IsObjectWord(w)) Error("'end' expected");
      obj.Children.push_back(Object(depth + 1));
    }
    FPos += 3;
    return obj;
  }

  TFormProperty Property(int depth) {
    TFormProperty p;
    SkipBlanks();
    p.Line = FLine;
    p.Name = DottedIdent();
    Expect('=');
    p.Value = Value(depth + 1);
    return p;
  }

  TFormValue Value(int depth) {
    if (depth > FormMaxDepth) Error("Values nested too deep");
    SkipBlanks();
    const char c = Peek();
    if (c == '-' || c == '+' || c == '$' || IsDigit(c)) return Number();
    if (c == '\'' || c == '#') return String();
    if (IsIdentStart(c)) return FormIdentValue(DottedIdent());
    ++FPos;
    switch (c) {
      case '[': return Set();
      case '(': {
        TFormValue v;
        v.Type = vaList;
        for (;;) {
          SkipBlanks();
          if (AtEnd()) Error("')' expected");
          if (Peek() == ')') break;
          v.List.push_back(Value(depth + 1));
        }
        ++FPos;
        return v;
      }
      case '{': return Binary();
      case '<': return Collection(depth);
      default:
        --FPos;
        Error(AtEnd() ? "Property value expected" : "Invalid property value");
    }
  }

  TFormValue Number() {
    const size_t start = FPos;
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') {
      negative = Peek() == '-';
      ++FPos;
    }
    if (Peek() == '$') {
      ++FPos;
      const size_t digits = FPos;
      uint64_t u = 0;
      while (!AtEnd() && HexDigit(FText[FPos]) >= 0) {
        if (FPos - digits >= 16) Error("Number out of range");
        u = u << 4 | static_cast<uint64_t>(HexDigit(FText[FPos]));
        ++FPos;
      }
      if (FPos == digits || IsIdentChar(Peek())) Error("Invalid hexadecimal number");
      // Up to eight digits are a 32-bit value, as the framework reads them
      // ($FFFFFFFF is -1); longer ones are 64-bit.
      int64_t v = FPos - digits <= 8 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(u)))
                                     : static_cast<int64_t>(u);
      if (negative) {
        if (v == INT64_MIN) Error("Number out of range");
        v = -v;
      }
      return FormIntValue(v);
    }
    if (!IsDigit(Peek())) Error("Number expected");
    while (IsDigit(Peek())) ++FPos;
    bool isFloat = false;
    if (Peek() == '.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1])) {
      isFloat = true;
      ++FPos;
      while (IsDigit(Peek())) ++FPos;
    }
    if ((Peek() == 'e' || Peek() == 'E') && FPos + 1 < FText.size()) {
      size_t p = FPos + 1;
      if (FText[p] == '+' || FText[p] == '-') ++p;
      if (p < FText.size() && IsDigit(FText[p])) {
        isFloat = true;
        FPos = p;
        while (IsDigit(Peek())) ++FPos;
      }
    }
    const std::string_view number = FText.substr(start, FPos - start);
    char suffix = 0;
    const char s = Peek();
    if (s == 's' || s == 'S' || s == 'c' || s == 'C' || s == 'd' || s == 'D') {
      suffix = static_cast<char>(s | 0x20);
      ++FPos;
    }
    if (IsIdentChar(Peek()) || Peek() == '.') Error("Invalid number");
    TFormValue v;
    switch (suffix) {
      case 's': {
        float f = 0;
        if (!ParseFloat(number, f)) Error("Number out of range");
        v.Type = vaSingle;
        v.Float = f;
        return v;
      }
      case 'd':
        v.Type = vaDate;
        if (!ParseFloat(number, v.Float)) Error("Number out of range");
        return v;
      case 'c':
        v.Type = vaCurrency;
        v.Int = Currency(number);
        return v;
      default:
        break;
    }
    if (isFloat) {
      long double x = 0;
      if (!ParseFloat(number, x)) Error("Number out of range");
      return FormExtendedValue(x);
    }
    int64_t x = 0;
    const char* first = number.data() + (number[0] == '+' ? 1 : 0);
    auto res = std::from_chars(first, number.data() + number.size(), x);
    if (res.ec != std::errc() || res.ptr != number.data() + number.size()) Error("Number out of range");
    return FormIntValue(x);
  }

  // Currency is 64-bit scaled by 10000; plain decimals convert exactly.
  int64_t Currency(std::string_view number) {
    const bool negative = !number.empty() && number[0] == '-';
    size_t i = (!number.empty() && (number[0] == '-' || number[0] == '+')) ? 1 : 0;
    if (number.find_first_of("eE") == std::string_view::npos) {
      __int128 scaled = 0;
      int fracDigits = -1;
      bool roundUp = false;
      for (; i < number.size(); ++i) {
        if (number[i] == '.') {
          fracDigits = 0;
          continue;
        }
        if (fracDigits >= 4) {
          if (fracDigits == 4) roundUp = number[i] >= '5';
          ++fracDigits;
          continue;
        }
        scaled = scaled * 10 + (number[i] - '0');
        if (fracDigits >= 0) ++fracDigits;
        if (scaled > (static_cast<__int128>(1) << 64)) Error("Number out of range");
      }
      for (int k = std::max(fracDigits, 0); k < 4; ++k) scaled *= 10;
      if (roundUp) ++scaled;
      if (negative) scaled = -scaled;
      if (scaled > INT64_MAX || scaled < INT64_MIN) Error("Number out of range");
      return static_cast<int64_t>(scaled);
    }
    long double x = 0;
    if (!ParseFloat(number, x) || std::fabs(x) * 10000 >= 9.2e18L) Error("Number out of range");
    return static_cast<int64_t>(std::llroundl(x * 10000));
  }

  // Quoted parts and #codes, joined by '+' across lines. Codes up to 255 make
  // an 8-bit string (bytes as written); a larger code makes a wide string.
  TFormValue String() {
    std::vector<uint32_t> codes;
    std::vector<bool> raw;  // the code is a byte from the file, not a #code
    bool wide = false;
    for (;;) {
      const char c = Peek();
      if (c == '\'') {
        ++FPos;
        for (;;) {
          if (AtEnd() || FText[FPos] == '\n' || FText[FPos] == '\r') Error("Unterminated string");
          const char ch = FText[FPos++];
          if (ch == '\'') {
            if (Peek() != '\'') break;
            ++FPos;
          }
          const auto b = static_cast<uint8_t>(ch);
          if (FUtf8 && b >= 0x80) {
            const uint32_t cp = Utf8Char(b);
            if (cp > 0xFF) wide = true;
            if (cp >= 0x10000) {
              codes.push_back(0xD800 + ((cp - 0x10000) >> 10));
              codes.push_back(0xDC00 + ((cp - 0x10000) & 0x3FF));
              raw.push_back(false);
              raw.push_back(false);
            } else {
              codes.push_back(cp);
              raw.push_back(false);
            }
          } else {
            codes.push_back(b);
            raw.push_back(!FUtf8);
          }
        }
      } else if (c == '#') {
        ++FPos;
        uint32_t code = 0;
        size_t digits = 0;
        if (Peek() == '$') {
          ++FPos;
          while (!AtEnd() && HexDigit(FText[FPos]) >= 0 && digits < 8) {
            code = code * 16 + static_cast<uint32_t>(HexDigit(FText[FPos++]));
            ++digits;
          }
        } else {
          while (IsDigit(Peek()) && digits < 8) {
            code = code * 10 + static_cast<uint32_t>(FText[FPos++] - '0');
            ++digits;
          }
        }
        if (digits == 0 || IsIdentChar(Peek())) Error("Invalid character code");
        if (code > 0xFFFF) Error("Character code out of range");
        if (code > 0xFF) wide = true;
        codes.push_back(code);
        raw.push_back(false);
      } else {
        break;
      }
      // Parts written together ('a'#13#10'b') are one string; a '+' joins the
      // next part, on this line or the next. Anything else ends the string.
      if (Peek() == '\'' || Peek() == '#') continue;
      const size_t save = FPos;
      const int saveLine = FLine;
      SkipBlanks();
      if (Peek() != '+') {
        FPos = save;
        FLine = saveLine;
        break;
      }
      ++FPos;
      SkipBlanks();
      if (Peek() != '\'' && Peek() != '#') Error("String expected");
    }
    if (wide) {
      std::u16string w;
      w.reserve(codes.size());
      for (size_t i = 0; i < codes.size(); ++i)
        w.push_back(raw[i] ? AnsiToWide(static_cast<uint8_t>(codes[i])) : static_cast<char16_t>(codes[i]));
      return FormWideStringValue(std::move(w));
    }
    std::string s;
    s.reserve(codes.size());
    for (uint32_t code : codes) s.push_back(static_cast<char>(code));
    return FormStringValue(std::move(s));
  }

  uint32_t Utf8Char(uint8_t b) {
    const size_t len = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || FPos + len - 1 > FText.size()) Error("Invalid UTF-8 text");
    uint32_t cp = b & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
      const auto c = static_cast<uint8_t>(FText[FPos++]);
      if ((c & 0xC0) != 0x80) Error("Invalid UTF-8 text");
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) Error("Invalid UTF-8 text");
    return cp;
  }

  TFormValue Set() {
    std::vector<std::string> elements;
    SkipBlanks();
    if (Peek() == ']') {
      ++FPos;
      return FormSetValue({});
    }
    for (;;) {
      elements.push_back(Ident());
      SkipBlanks();
      if (Peek() == ']') break;
      if (Peek() != ',') Error("']' expected");
      ++FPos;
    }
    ++FPos;
    return FormSetValue(std::move(elements));
  }

  TFormValue Binary() {
    std::string bytes;
    int high = -1;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Error("'}' expected");
      const char c = FText[FPos++];
      if (c == '}') break;
      const int d = HexDigit(c);
      if (d < 0) Error("Invalid binary value");
      if (high < 0) {
        high = d;
      } else {
        bytes.push_back(static_cast<char>(high << 4 | d));
        high = -1;
      }
    }
    if (high >= 0) Error("Invalid binary value: odd number of hexadecimal digits");
    return FormBinaryValue(std::move(bytes));
  }

  TFormValue Collection(int depth) {
    TFormValue v;
    v.Type = vaCollection;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Error("'>' expected");
      if (Peek() == '>') break;
      if (!SameText(Ident("'item' expected"), "item")) Error("'item' expected");
      TFormCollectionItem item;
      SkipBlanks();
      if (Peek() == '[') {
        ++FPos;
        SkipBlanks();
        const TFormValue index = Number();
        if (index.Type != vaInt8 && index.Type != vaInt16 && index.Type != vaInt32)
          Error("Integer expected");
        item.HasIndex = true;
        item.Index = index.Int;
        Expect(']');
      }
      for (;;) {
        const std::string_view w = PeekWord();
        if (AtEnd()) Error("'end' expected");
        if (SameText(w, "end")) break;
        item.Properties.push_back(Property(depth + 1));
      }
      FPos += 3;
      v.Items.push_back(std::move(item));
    }
    ++FPos;
    return v;
  }

  std::string_view FText;
  size_t FPos = 0;
  int FLine = 1;
  bool FUtf8 = false;
};

}  // namespace

TFormObject ParseFormText(std::string_view text) {
  TextParser parser(text);
  return parser.Root();
}

TFormObject ReadFormText(TStream& in) {
  const int64_t start = in.Position();
  const int64_t size = in.Size();
  std::string text;
  if (size > start) {
    text.resize(static_cast<size_t>(size - start));
    in.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  }
  TextParser parser(text);
  TFormObject root = parser.Root();
  in.SetPosition(start + static_cast<int64_t>(parser.Offset()));
  return root;
}

std::string FormTextToString(const TFormObject& root, TFormLineBreak lineBreak) {
  TextWriter writer(lineBreak);
  writer.Object(root, 0);
  return std::move(writer.Out);
}

void WriteFormText(TStream& out, const TFormObject& root, TFormLineBreak lineBreak) {
  const std::string text = FormTextToString(root, lineBreak);
  out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

std::string FormValueToText(const TFormValue& value, int level, TFormLineBreak lineBreak) {
  TextWriter writer(lineBreak);
  writer.Value(value, level);
  return std::move(writer.Out);
}
