// Format: the framework's printf-like formatting.
#include "Format.h"

#include "Conversions.h"
#include "RtlConsts.h"
#include "SysExceptions.h"
#include "Variants.h"

namespace {

// Widths and precisions beyond this are refused rather than allocated.
constexpr int MaxFieldWidth = 1 << 16;

[[noreturn]] void FormatError(std::string_view format) {
  std::string msg = SInvalidFormat;
  size_t at = msg.find("%s");
  msg.replace(at, 2, format);
  throw EConvertError(msg);
}

class TFormatter {
public:
  TFormatter(std::string_view format, std::span<const TVarRec> args, const TFormatSettings& fs)
      : FFormat(format), FArgs(args), FSettings(fs) {}

  std::string Run() {
    std::string out;
    size_t i = 0, n = FFormat.size();
    while (i < n) {
      size_t pct = FFormat.find('%', i);
      if (pct == std::string_view::npos) {
        out.append(FFormat, i, std::string_view::npos);
        break;
      }
      out.append(FFormat, i, pct - i);
      i = pct + 1;
      if (i >= n) Fail();
      if (FFormat[i] == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      i = Specifier(i, out);
    }
    return out;
  }

private:
  [[noreturn]] void Fail() const { FormatError(FFormat); }

  const TVarRec& NextArg() {
    if (FArgIndex >= FArgs.size()) Fail();
    return FArgs[FArgIndex++];
  }

  // A number or '*' (the next integer argument); -1 when there is none.
  int Number(size_t& i) {
    if (i < FFormat.size() && FFormat[i] == '*') {
      ++i;
      const TVarRec& a = NextArg();
      if (a.Kind() != TVarRec::vtInteger && a.Kind() != TVarRec::vtInt64) Fail();
      int64_t v = a.AsInt();
      if (v < 0) v = 0;
      if (v > MaxFieldWidth) Fail();
      return int(v);
    }
    if (i >= FFormat.size() || FFormat[i] < '0' || FFormat[i] > '9') return -1;
    int64_t v = 0;
    while (i < FFormat.size() && FFormat[i] >= '0' && FFormat[i] <= '9') {
      v = v * 10 + (FFormat[i] - '0');
      if (v > MaxFieldWidth) Fail();
      ++i;
    }
    return int(v);
  }

  size_t Specifier(size_t i, std::string& out) {
    size_t save = i;
    int first = Number(i);
    if (i < FFormat.size() && FFormat[i] == ':') {
      if (first < 0) Fail();
      FArgIndex = size_t(first);
      ++i;
    } else {
      // Not an index: read it again as the width ('*' took its argument once;
      // step back over it).
      if (save < FFormat.size() && FFormat[save] == '*') --FArgIndex;
      i = save;
    }
    bool left = false;
    if (i < FFormat.size() && FFormat[i] == '-') {
      left = true;
      ++i;
    }
    int width = Number(i);
    int prec = -1;
    if (i < FFormat.size() && FFormat[i] == '.') {
      ++i;
      prec = Number(i);
      if (prec < 0) prec = 0;
    }
    if (i >= FFormat.size()) Fail();
    char type = FFormat[i++];
    if (type >= 'A' && type <= 'Z') type = char(type - 'A' + 'a');
    std::string text = Convert(type, prec);
    if (width > 0 && int(text.size()) < width) {
      std::string pad(size_t(width) - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
    return i;
  }

  // An integer argument: int, int64 or an integer Variant.
  bool IntArg(const TVarRec& a, int64_t& v, bool& is64) const {
    switch (a.Kind()) {
      case TVarRec::vtInteger: v = a.AsInt(); is64 = false; return true;
      case TVarRec::vtInt64: v = a.AsInt(); is64 = true; return true;
      case TVarRec::vtVariant: {
        TVarType t = VarType(a.AsVariant());
        switch (t) {
          case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
            v = a.AsVariant().AsInteger(); is64 = false; return true;
          case varLongWord: case varInt64:
            v = a.AsVariant().AsInt64(); is64 = true; return true;
          default: return false;
        }
      }
      default: return false;
    }
  }

  bool FloatArg(const TVarRec& a, double& v, bool& isCurr, Currency& c) const {
    isCurr = false;
    switch (a.Kind()) {
      case TVarRec::vtExtended: v = a.AsDouble(); return true;
      case TVarRec::vtCurrency:
        c = Currency::FromRaw(a.AsInt());
        v = c.ToDouble();
        isCurr = true;
        return true;
      case TVarRec::vtVariant: {
        const Variant& var = a.AsVariant();
        if (VarType(var) == varCurrency) {
          c = var.AsCurrency();
          v = c.ToDouble();
          isCurr = true;
          return true;
        }
        if (VarIsNumeric(var) || VarType(var) == varDate) {
          v = var.AsDouble();
          return true;
        }
        return false;
      }
      default: return false;
    }
  }

  std::string Convert(char type, int prec) {
    switch (type) {
      case 'd': case 'u': case 'x': {
        int64_t v;
        bool is64;
        if (!IntArg(NextArg(), v, is64)) Fail();
        std::string digits;
        bool neg = false;
        if (type == 'd') {
          neg = v < 0;
          uint64_t u = neg ? uint64_t(0) - uint64_t(v) : uint64_t(v);
          digits = std::to_string(u);
        } else {
          uint64_t u = is64 ? uint64_t(v) : uint64_t(uint32_t(int32_t(v)));
          digits = type == 'u' ? std::to_string(u) : IntToHex(int64_t(u), 0);
        }
        if (prec > 0 && int(digits.size()) < prec) digits.insert(0, size_t(prec) - digits.size(), '0');
        return neg ? "-" + digits : digits;
      }
      case 'e': case 'f': case 'g': case 'n': case 'm': {
        double v;
        bool isCurr;
        Currency c;
        if (!FloatArg(NextArg(), v, isCurr, c)) Fail();
        switch (type) {
          case 'e': return FloatToStrF(v, ffExponent, prec < 0 ? 15 : prec, 3, FSettings);
          case 'g': return FloatToStrF(v, ffGeneral, prec < 0 ? 15 : prec, 0, FSettings);
          default: {
            TFloatFormat ff = type == 'f' ? ffFixed : type == 'n' ? ffNumber : ffCurrency;
            int digits = prec >= 0 ? prec : type == 'm' ? FSettings.CurrencyDecimals : 2;
            return isCurr ? CurrToStrF(c, ff, digits, FSettings)
                          : FloatToStrF(v, ff, 15, digits, FSettings);
          }
        }
      }
      case 's': {
        const TVarRec& a = NextArg();
        std::string text;
        switch (a.Kind()) {
          case TVarRec::vtString: text = a.AsText(); break;
          case TVarRec::vtChar: text = std::string(1, char(a.AsInt())); break;
          case TVarRec::vtBoolean: text = a.AsInt() ? "True" : "False"; break;
          case TVarRec::vtVariant:
            if (VarIsArray(a.AsVariant()) || VarType(a.AsVariant()) == varError) Fail();
            text = VarToStr(a.AsVariant());
            break;
          default: Fail();
        }
        if (prec >= 0 && int(text.size()) > prec) text.resize(size_t(prec));
        return text;
      }
      case 'p': {
        const TVarRec& a = NextArg();
        if (a.Kind() != TVarRec::vtPointer) Fail();
        return IntToHex(int64_t(reinterpret_cast<uintptr_t>(a.AsPointer())), 16);
      }
      default: Fail();
    }
  }

  std::string_view FFormat;
  std::span<const TVarRec> FArgs;
  const TFormatSettings& FSettings;
  size_t FArgIndex = 0;
};

}  // namespace

std::string FormatBuf(std::string_view format, std::span<const TVarRec> args,
                      const TFormatSettings& fs) {
  return TFormatter(format, args, fs).Run();
}
