// The field classes of the fixed-size and text types, each with the
// framework's field-buffer format of its type:
//   TStringField    Size + 1 bytes of NUL-terminated text
//   TIntegerField   signed 32-bit
//   TFloatField     double (TCurrencyField too: money is kept as a double)
//   TBooleanField   16-bit, non-zero is true
//   TDateField      TDateTimeRec.Date, the time-stamp day number (1 January 0001 is 1)
//   TTimeField      TDateTimeRec.Time, milliseconds since midnight
//   TDateTimeField  TDateTimeRec.DateTime, milliseconds since day 0 (TimeStampToMSecs)
//   TBytesField     Size bytes
#pragma once

#include "Field.h"

class TStringField : public TField {
  ORV_CLASS(TStringField, TField)
public:
  explicit TStringField(TComponent* owner);
  void SetSize(int size) override;
  // Text passes through the dataset's Translate on its way in and out.
  bool Transliterate() const { return FTransliterate; }
  void SetTransliterate(bool value) { FTransliterate = value; }
  void SetAsString(const std::string& value) override;
  void SetAsInteger(int32_t value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;
  void SetAsDateTime(TDateTime value) override;
  void SetAsBoolean(bool value) override;
  static void Publish(TPropertyTable<TStringField>& props);

protected:
  int GetDataSize() const override { return Size() + 1; }
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  TDateTime GetAsDateTime() const override;
  // True when the text starts with T, t, Y or y.
  bool GetAsBoolean() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;

private:
  bool FTransliterate = true;
};

class TIntegerField : public TField {
  ORV_CLASS(TIntegerField, TField)
public:
  explicit TIntegerField(TComponent* owner);
  // Empty text clears the field.
  void SetAsString(const std::string& value) override;
  void SetAsInteger(int32_t value) override;
  // Rounded to the nearest integer; EDatabaseError beyond 32 bits.
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;

protected:
  int GetDataSize() const override { return 4; }
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

class TFloatField : public TField {
  ORV_CLASS(TFloatField, TField)
public:
  explicit TFloatField(TComponent* owner);
  bool IsCurrency() const { return FCurrency; }
  void SetCurrency(bool value) { FCurrency = value; }
  void SetAsString(const std::string& value) override;
  void SetAsInteger(int32_t value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;

protected:
  int GetDataSize() const override { return 8; }
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;

private:
  bool FCurrency = false;
};

class TCurrencyField : public TFloatField {
  ORV_CLASS(TCurrencyField, TFloatField)
public:
  explicit TCurrencyField(TComponent* owner);
};

class TBooleanField : public TField {
  ORV_CLASS(TBooleanField, TField)
public:
  explicit TBooleanField(TComponent* owner);
  // "True" or "False" in any case, or a leading part of one of them; empty
  // text clears the field.
  void SetAsString(const std::string& value) override;
  void SetAsBoolean(bool value) override;

protected:
  int GetDataSize() const override { return 2; }
  std::string GetAsString() const override;
  bool GetAsBoolean() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

class TDateTimeField : public TField {
  ORV_CLASS(TDateTimeField, TField)
public:
  explicit TDateTimeField(TComponent* owner);
  // Empty text clears the field.
  void SetAsString(const std::string& value) override;
  void SetAsFloat(double value) override { SetAsDateTime(value); }
  void SetAsDateTime(TDateTime value) override;

protected:
  int GetDataSize() const override { return sizeof(TDateTimeRec); }
  std::string GetAsString() const override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  TDateTime GetAsDateTime() const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

class TDateField : public TDateTimeField {
  ORV_CLASS(TDateField, TDateTimeField)
public:
  explicit TDateField(TComponent* owner);
};

class TTimeField : public TDateTimeField {
  ORV_CLASS(TTimeField, TDateTimeField)
public:
  explicit TTimeField(TComponent* owner);
};

class TBytesField : public TField {
  ORV_CLASS(TBytesField, TField)
public:
  explicit TBytesField(TComponent* owner);
  void SetSize(int size) override;
  // The bytes as 8-bit text; shorter text is padded with zero bytes, longer
  // text is an error.
  void SetAsString(const std::string& value) override;

protected:
  int GetDataSize() const override { return Size(); }
  std::string GetAsString() const override;
  // A variant array of bytes 0..Size-1.
  Variant GetAsVariant() const override;
  // A byte array (or text) of at most Size bytes.
  void SetVarValue(const Variant& value) override;
};
