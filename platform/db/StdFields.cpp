// The fixed-size and text field classes: their buffers and conversions.
#include "StdFields.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "AnsiStrings.h"
#include "Conversions.h"
#include "DBConsts.h"
#include "DataSet.h"
#include "DateFormat.h"
#include "TypInfo.h"

namespace {

// Text and byte fields: the record size of the framework is 16-bit.
constexpr int MaxFieldSize = 65535;

int32_t RoundToInt32(double value, const TField& field) {
  double r = std::nearbyint(value);
  if (!(r >= -2147483648.0 && r <= 2147483647.0))
    DatabaseErrorFmt(SFieldOutOfRange, nullptr, field.DisplayName());
  return static_cast<int32_t>(r);
}

bool IsBlank(const std::string& s) { return Trim(s).empty(); }

}  // namespace

// ---- TStringField -----------------------------------------------------------

ORV_IMPLEMENT_CLASS(TStringField)

void TStringField::Publish(TPropertyTable<TStringField>& props) {
  props.Add("Size", static_cast<int (TStringField::*)() const>(&TField::Size), &TStringField::SetSize).Default(20);
  props.Add("Transliterate", &TStringField::Transliterate, &TStringField::SetTransliterate).Default(true);
}

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  StoreSize(20);
}

void TStringField::SetSize(int size) {
  CheckInactive();
  if (size < 0 || size > MaxFieldSize - 1) DatabaseError(SInvalidFieldSize);
  StoreSize(size);
}

std::string TStringField::GetAsString() const {
  std::vector<char> buffer(static_cast<size_t>(DataSize()) + 1, '\0');
  if (!GetData(buffer.data())) return {};
  // The dataset's buffer ends with a terminator, but a hostile one may not:
  // the extra byte above keeps the text inside the buffer.
  if (FTransliterate) DataSet()->Translate(buffer.data(), buffer.data(), false);
  return std::string(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(Size())));
}

void TStringField::SetAsString(const std::string& value) {
  std::vector<char> buffer(static_cast<size_t>(DataSize()), '\0');
  size_t n = std::min(value.size(), static_cast<size_t>(Size()));
  n = strnlen(value.data(), n);
  std::memcpy(buffer.data(), value.data(), n);
  if (FTransliterate) DataSet()->Translate(buffer.data(), buffer.data(), true);
  SetData(buffer.data());
}

int32_t TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
double TStringField::GetAsFloat() const { return StrToFloat(GetAsString()); }
Currency TStringField::GetAsCurrency() const { return StrToCurr(GetAsString()); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }

bool TStringField::GetAsBoolean() const {
  std::string s = GetAsString();
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

Variant TStringField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

void TStringField::SetAsInteger(int32_t value) { SetAsString(IntToStr(value)); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }
void TStringField::SetAsCurrency(Currency value) { SetAsString(CurrToStr(value)); }
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }
void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }
void TStringField::SetVarValue(const Variant& value) { SetAsString(VarToStr(value)); }

// ---- TIntegerField ----------------------------------------------------------

ORV_IMPLEMENT_CLASS(TIntegerField)

TIntegerField::TIntegerField(TComponent* owner) : TField(owner) { SetDataType(ftInteger); }

int32_t TIntegerField::GetAsInteger() const {
  int32_t v = 0;
  return GetData(&v) ? v : 0;
}

std::string TIntegerField::GetAsString() const {
  int32_t v = 0;
  return GetData(&v) ? IntToStr(v) : std::string();
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }
Currency TIntegerField::GetAsCurrency() const { return Currency(GetAsInteger()); }

Variant TIntegerField::GetAsVariant() const {
  int32_t v = 0;
  if (!GetData(&v)) return Null();
  return Variant(static_cast<int>(v));
}

void TIntegerField::SetAsInteger(int32_t value) { SetData(&value); }

void TIntegerField::SetAsString(const std::string& value) {
  if (IsBlank(value)) {
    Clear();
    return;
  }
  int32_t v = 0;
  if (!TryStrToInt(Trim(value), v)) DatabaseErrorFmt(SInvalidIntegerValue, nullptr, value, DisplayName());
  SetAsInteger(v);
}

void TIntegerField::SetAsFloat(double value) { SetAsInteger(RoundToInt32(value, *this)); }
void TIntegerField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
void TIntegerField::SetVarValue(const Variant& value) {
  if (VarIsStr(value))
    SetAsString(value.AsString());
  else
    SetAsInteger(value.AsInteger());
}

// ---- TFloatField, TCurrencyField --------------------------------------------

ORV_IMPLEMENT_CLASS(TFloatField)
ORV_IMPLEMENT_CLASS(TCurrencyField)

TFloatField::TFloatField(TComponent* owner) : TField(owner) { SetDataType(ftFloat); }

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

double TFloatField::GetAsFloat() const {
  double v = 0;
  return GetData(&v) ? v : 0;
}

std::string TFloatField::GetAsString() const {
  double v = 0;
  return GetData(&v) ? FloatToStr(v) : std::string();
}

int32_t TFloatField::GetAsInteger() const { return RoundToInt32(GetAsFloat(), *this); }
Currency TFloatField::GetAsCurrency() const { return Currency(GetAsFloat()); }

Variant TFloatField::GetAsVariant() const {
  double v = 0;
  if (!GetData(&v)) return Null();
  return Variant(v);
}

void TFloatField::SetAsFloat(double value) {
  if (!std::isfinite(value)) DatabaseErrorFmt(SFieldOutOfRange, nullptr, DisplayName());
  SetData(&value);
}

void TFloatField::SetAsString(const std::string& value) {
  if (IsBlank(value)) {
    Clear();
    return;
  }
  double v = 0;
  if (!TryStrToFloat(value, v)) DatabaseErrorFmt(SInvalidFloatValue, nullptr, value, DisplayName());
  SetAsFloat(v);
}

void TFloatField::SetAsInteger(int32_t value) { SetAsFloat(value); }
void TFloatField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
void TFloatField::SetVarValue(const Variant& value) {
  if (VarIsStr(value))
    SetAsString(value.AsString());
  else
    SetAsFloat(value.AsDouble());
}

// ---- TBooleanField ----------------------------------------------------------

ORV_IMPLEMENT_CLASS(TBooleanField)

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

bool TBooleanField::GetAsBoolean() const {
  int16_t v = 0;
  return GetData(&v) && v != 0;
}

std::string TBooleanField::GetAsString() const {
  int16_t v = 0;
  if (!GetData(&v)) return {};
  return v != 0 ? "True" : "False";
}

Variant TBooleanField::GetAsVariant() const {
  int16_t v = 0;
  if (!GetData(&v)) return Null();
  return Variant(v != 0);
}

void TBooleanField::SetAsBoolean(bool value) {
  int16_t v = value ? 1 : 0;
  SetData(&v);
}

void TBooleanField::SetAsString(const std::string& value) {
  std::string text = Trim(value);
  if (text.empty()) {
    Clear();
    return;
  }
  auto starts = [&text](std::string_view word) {
    return text.size() <= word.size() && AnsiSameText(text, word.substr(0, text.size()));
  };
  if (starts("False"))
    SetAsBoolean(false);
  else if (starts("True"))
    SetAsBoolean(true);
  else
    DatabaseErrorFmt(SInvalidBoolValue, nullptr, value, DisplayName());
}

void TBooleanField::SetVarValue(const Variant& value) {
  if (VarIsStr(value))
    SetAsString(value.AsString());
  else
    SetAsBoolean(value.AsBoolean());
}

// ---- TDateTimeField, TDateField, TTimeField ---------------------------------

ORV_IMPLEMENT_CLASS(TDateTimeField)
ORV_IMPLEMENT_CLASS(TDateField)
ORV_IMPLEMENT_CLASS(TTimeField)

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }
TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTimeRec rec{};
  if (!GetData(&rec)) return 0;
  switch (DataType()) {
    case ftDate:
      return TimeStampToDateTime(TTimeStamp{0, rec.Date});
    case ftTime:
      return TimeStampToDateTime(TTimeStamp{rec.Time, DateDelta});
    default:
      if (!std::isfinite(rec.DateTime)) DatabaseErrorFmt(SFieldOutOfRange, nullptr, DisplayName());
      return TimeStampToDateTime(MSecsToTimeStamp(static_cast<int64_t>(std::trunc(rec.DateTime))));
  }
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
  TTimeStamp stamp = DateTimeToTimeStamp(value);
  TDateTimeRec rec{};
  switch (DataType()) {
    case ftDate:
      rec.Date = stamp.Date;
      break;
    case ftTime:
      rec.Time = stamp.Time;
      break;
    default:
      rec.DateTime = TimeStampToMSecs(stamp);
      break;
  }
  SetData(&rec);
}

std::string TDateTimeField::GetAsString() const {
  if (IsNull()) return {};
  TDateTime v = GetAsDateTime();
  switch (DataType()) {
    case ftDate:
      return DateToStr(v);
    case ftTime:
      return TimeToStr(v);
    default:
      return DateTimeToStr(v);
  }
}

void TDateTimeField::SetAsString(const std::string& value) {
  if (IsBlank(value)) {
    Clear();
    return;
  }
  switch (DataType()) {
    case ftDate:
      SetAsDateTime(StrToDate(value));
      break;
    case ftTime:
      SetAsDateTime(StrToTime(value));
      break;
    default:
      SetAsDateTime(StrToDateTime(value));
      break;
  }
}

Variant TDateTimeField::GetAsVariant() const {
  if (IsNull()) return Null();
  return VarFromDateTime(GetAsDateTime());
}

void TDateTimeField::SetVarValue(const Variant& value) {
  if (VarIsStr(value))
    SetAsString(value.AsString());
  else
    SetAsDateTime(value.AsDateTime());
}

// ---- TBytesField ------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TBytesField)

TBytesField::TBytesField(TComponent* owner) : TField(owner) {
  SetDataType(ftBytes);
  StoreSize(16);
}

void TBytesField::SetSize(int size) {
  CheckInactive();
  if (size < 0 || size > MaxFieldSize) DatabaseError(SInvalidFieldSize);
  StoreSize(size);
}

std::string TBytesField::GetAsString() const {
  std::string bytes(static_cast<size_t>(Size()), '\0');
  if (!GetData(bytes.data())) return {};
  return bytes;
}

void TBytesField::SetAsString(const std::string& value) {
  if (value.size() > static_cast<size_t>(Size())) DatabaseErrorFmt(SInvalidVarByteArray, nullptr, DisplayName());
  std::string bytes(static_cast<size_t>(Size()), '\0');
  std::memcpy(bytes.data(), value.data(), value.size());
  SetData(bytes.data());
}

Variant TBytesField::GetAsVariant() const {
  std::string bytes(static_cast<size_t>(Size()), '\0');
  if (!GetData(bytes.data())) return Null();
  // A zero-length column has no array bounds to give; its value is empty.
  if (bytes.empty()) return Variant(std::string());
  Variant result = VarArrayCreate({0, Size() - 1}, varByte);
  {
    TVarArrayLock lock(result);
    std::memcpy(lock.Data(), bytes.data(), bytes.size());
  }
  return result;
}

void TBytesField::SetVarValue(const Variant& value) {
  if (VarIsStr(value)) {
    SetAsString(value.AsString());
    return;
  }
  if (!value.IsArray() || VarArrayDimCount(value) != 1 || (value.VType() & varTypeMask) != varByte)
    DatabaseErrorFmt(SInvalidVarByteArray, nullptr, DisplayName());
  Variant copy = value;
  int count = VarArrayElementCount(copy);
  std::string bytes(static_cast<size_t>(count), '\0');
  {
    TVarArrayLock lock(copy);
    std::memcpy(bytes.data(), lock.Data(), bytes.size());
  }
  SetAsString(bytes);
}
