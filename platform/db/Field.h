// TField, the field object through which applications read and write one
// column (or one calculated value) of a dataset's current record, and
// TFields, a dataset's ordered list of them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Classes.h"
#include "Currency.h"
#include "DBTypes.h"
#include "Variants.h"

class TDataSet;
class TField;

using TFieldNotifyEvent = std::function<void(TField* sender)>;

// A field reads and writes through its dataset: GetData asks the dataset's
// GetFieldData for the value in the framework's field-buffer format of the
// field's type, SetData hands such a buffer to SetFieldData. The As...
// accessors convert between that format and the caller's type.
class TField : public TComponent {
  ORV_CLASS(TField, TComponent)
public:
  explicit TField(TComponent* owner);
  ~TField() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Moves the field into another dataset's field list (null: into none).
  // Both datasets must be closed.
  void SetDataSet(TDataSet* dataSet);
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& name);
  // The column number the dataset gave the field when it was bound: > 0 for
  // a data field, -1 for a calculated or lookup field, 0 while unbound.
  int FieldNo() const { return FFieldNo; }
  TFieldType DataType() const { return FDataType; }
  int Size() const { return FSize; }
  // Only the types that have a size (text, bytes, blobs) accept one other than 0.
  virtual void SetSize(int size);
  // Bytes of the field's value in a field buffer.
  int DataSize() const { return GetDataSize(); }
  // Position of a calculated or lookup field in the dataset's calculated-field
  // area (its flag byte; the value follows it).
  int Offset() const { return FOffset; }
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return FFieldKind == fkCalculated; }
  void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
  bool Lookup() const { return FFieldKind == fkLookup; }
  void SetLookup(bool value) { SetFieldKind(value ? fkLookup : fkData); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool Required() const { return FRequired; }
  void SetRequired(bool value) { FRequired = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value) { FVisible = value; }
  const std::string& DisplayLabel() const { return FDisplayLabel; }
  void SetDisplayLabel(const std::string& value) { FDisplayLabel = value; }
  // The label when one is set, else the field name.
  const std::string& DisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  // Position in the dataset's field list, -1 without dataset.
  int Index() const;
  virtual bool IsBlob() const { return false; }

  // Lookup fields: the value is LookupResultField of the LookupDataSet record
  // whose LookupKeyFields equal this dataset's KeyFields (names separated by ";").
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* dataSet);
  const std::string& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const std::string& value);
  const std::string& LookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const std::string& value);
  const std::string& LookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const std::string& value);

  // Reads the value in field-buffer format; false when the field has none
  // (NULL). buffer may be null to ask only whether there is a value.
  bool GetData(void* buffer) const;
  // Writes a field-buffer value; null writes NULL. The dataset must be in a
  // state that writes fields, and a read-only data field refuses.
  void SetData(const void* buffer);
  bool IsNull() const { return !GetData(nullptr); }
  virtual void Clear() { SetData(nullptr); }

  Variant Value() const { return GetAsVariant(); }
  // Null and Unassigned clear the field.
  void SetValue(const Variant& value);
  std::string AsString() const { return GetAsString(); }
  virtual void SetAsString(const std::string& value);
  int32_t AsInteger() const { return GetAsInteger(); }
  virtual void SetAsInteger(int32_t value);
  double AsFloat() const { return GetAsFloat(); }
  virtual void SetAsFloat(double value);
  Currency AsCurrency() const { return GetAsCurrency(); }
  virtual void SetAsCurrency(Currency value);
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  virtual void SetAsDateTime(TDateTime value);
  bool AsBoolean() const { return GetAsBoolean(); }
  virtual void SetAsBoolean(bool value);
  // The value of the field in the old (as fetched), new (being edited) and
  // current record states of the dataset.
  Variant OldValue() const;
  Variant NewValue() const;
  Variant CurValue() const;

  // Runs the field's checks and OnValidate for a value about to be written
  // (buffer in field-buffer format, null for NULL). While OnValidate runs the
  // field reads as that value. An exception stops the write.
  virtual void Validate(const void* buffer);
  // Fired by the dataset after the field's value changed.
  void Change();
  // Copies another field's value (or NULL).
  void Assign(const TPersistent* source) override;
  // In form files a persistent field is written inside its dataset's object
  // and joins that dataset when it is read.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

  TFieldNotifyEvent OnValidate;
  TFieldNotifyEvent OnChange;

  static void Publish(TPropertyTable<TField>& props);

protected:
  friend class TDataSet;
  // Descendants fix their type and buffer size.
  void SetDataType(TFieldType type) { FDataType = type; }
  // Keeps a size that a descendant's SetSize has checked.
  void StoreSize(int size) { FSize = size; }
  virtual int GetDataSize() const { return 0; }
  virtual std::string GetAsString() const;
  virtual int32_t GetAsInteger() const;
  virtual double GetAsFloat() const;
  virtual Currency GetAsCurrency() const;
  virtual TDateTime GetAsDateTime() const;
  virtual bool GetAsBoolean() const;
  virtual Variant GetAsVariant() const;
  // The value is neither Null nor Unassigned.
  virtual void SetVarValue(const Variant& value);
  // Binding to an open dataset: lookup fields check their information and
  // open their lookup dataset.
  virtual void Bind(bool binding);
  // Fills a lookup field from its lookup dataset (the dataset calculates).
  void CalcLookupValue();
  [[noreturn]] void AccessError(const char* typeName) const;
  void CheckInactive() const;
  void Notification(TComponent* component, TOperation operation) override;

private:
  TDataSet* FDataSet = nullptr;
  std::string FFieldName;
  std::string FDisplayLabel;
  TFieldType FDataType = ftUnknown;
  TFieldKind FFieldKind = fkData;
  int FSize = 0;
  int FFieldNo = 0;
  int FOffset = 0;
  bool FReadOnly = false;
  bool FRequired = false;
  bool FVisible = true;
  TDataSet* FLookupDataSet = nullptr;
  std::string FKeyFields;
  std::string FLookupKeyFields;
  std::string FLookupResultField;
  // The value under validation, read by GetData while OnValidate runs.
  const void* FValueBuffer = nullptr;
  bool FValidating = false;
};

// A dataset's fields, in order. The list does not own them: fields belong to
// their owner component (the dataset for the fields it made itself).
class TFields {
public:
  explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  int Count() const { return static_cast<int>(FList.size()); }
  // EDatabaseError "Field index out of range" outside 0..Count-1.
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  // By name, ignoring case; null when there is none.
  TField* FindField(const std::string& name) const;
  // EDatabaseError "<dataset>: Field 'X' not found" when there is none.
  TField* FieldByName(const std::string& name) const;
  // The data field bound to column fieldNo, or null.
  TField* FieldByNumber(int fieldNo) const;
  int IndexOf(const TField* field) const;
  TDataSet* DataSet() const { return FDataSet; }

  auto begin() const { return FList.begin(); }
  auto end() const { return FList.end(); }

private:
  friend class TDataSet;
  friend class TField;
  void Add(TField* field);
  void Remove(TField* field);
  TDataSet* FDataSet;
  std::vector<TField*> FList;
};
