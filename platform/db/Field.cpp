// TField (the conversions every field type shares) and TFields.
#include "Field.h"

#include <algorithm>
#include <cstring>

#include "AnsiStrings.h"
#include "DBConsts.h"
#include "DataSet.h"
#include "TypInfo.h"

// ---- TField -----------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TField)

void TField::Publish(TPropertyTable<TField>& props) {
  props.Add("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
  props.Add("FieldKind", &TField::FieldKind, &TField::SetFieldKind).Default(fkData);
  props.Add("FieldName", &TField::FieldName, &TField::SetFieldName);
  props.Add("KeyFields", &TField::KeyFields, &TField::SetKeyFields);
  props.Add("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
  props.Add("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields);
  props.Add("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField);
  props.Add("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  props.Add("Required", &TField::Required, &TField::SetRequired).Default(false);
  props.Add("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  props.Event("OnChange", &TField::OnChange);
  props.Event("OnValidate", &TField::OnValidate);
}

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  Destroying();
  if (FDataSet != nullptr) {
    // A field cannot leave an open dataset whose buffers it is laid out in;
    // the dataset closes first, as the framework does.
    if (FDataSet->Active() && !FDataSet->ComponentState().Contains(csDestroying)) FDataSet->Close();
    FDataSet->FFields.Remove(this);
    FDataSet = nullptr;
  }
  if (FLookupDataSet != nullptr) FLookupDataSet->RemoveFreeNotification(this);
}

void TField::CheckInactive() const {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  CheckInactive();
  if (dataSet != nullptr) {
    dataSet->CheckInactive();
    if (!FFieldName.empty() && dataSet->FindField(FFieldName) != nullptr)
      DatabaseErrorFmt(SDuplicateFieldName, dataSet, FFieldName);
  }
  if (FDataSet != nullptr) FDataSet->FFields.Remove(this);
  FDataSet = dataSet;
  if (dataSet != nullptr) dataSet->FFields.Add(this);
}

void TField::SetFieldName(const std::string& name) {
  if (name == FFieldName) return;
  CheckInactive();
  if (FDataSet != nullptr && !name.empty()) {
    TField* other = FDataSet->FindField(name);
    if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, FDataSet, name);
  }
  FFieldName = name;
}

void TField::SetSize(int size) {
  CheckInactive();
  if (size != 0) DatabaseError(SInvalidFieldSize);
  FSize = 0;
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == FFieldKind) return;
  CheckInactive();
  if (kind < fkData || kind > fkInternalCalc) DatabaseError(SInvalidFieldKind);
  FFieldKind = kind;
}

int TField::Index() const { return FDataSet != nullptr ? FDataSet->FFields.IndexOf(this) : -1; }

void TField::SetLookupDataSet(TDataSet* dataSet) {
  if (dataSet == FLookupDataSet) return;
  CheckInactive();
  if (FLookupDataSet != nullptr) FLookupDataSet->RemoveFreeNotification(this);
  FLookupDataSet = dataSet;
  if (dataSet != nullptr) dataSet->FreeNotification(this);
}

void TField::SetKeyFields(const std::string& value) {
  CheckInactive();
  FKeyFields = value;
}

void TField::SetLookupKeyFields(const std::string& value) {
  CheckInactive();
  FLookupKeyFields = value;
}

void TField::SetLookupResultField(const std::string& value) {
  CheckInactive();
  FLookupResultField = value;
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FLookupDataSet) FLookupDataSet = nullptr;
}

// ---- Values -----------------------------------------------------------------

bool TField::GetData(void* buffer) const {
  if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
  if (FValidating) {
    bool has = FValueBuffer != nullptr;
    if (has && buffer != nullptr) std::memcpy(buffer, FValueBuffer, static_cast<size_t>(DataSize()));
    return has;
  }
  return FDataSet->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
  if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
  TDataSetState state = FDataSet->State();
  // A write outside the edit states would change a record buffer that is
  // never posted (or none at all); data fields are not written while the
  // dataset calculates.
  if (!IsWriteMode(state) || (FFieldKind == fkData && state == dsCalcFields)) DatabaseError(SNotEditing, FDataSet);
  if (FReadOnly && FFieldKind == fkData && state != dsSetKey && state != dsFilter)
    DatabaseErrorFmt(SFieldReadOnly, nullptr, DisplayName());
  FDataSet->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  FValueBuffer = buffer;
  FValidating = true;
  try {
    OnValidate(this);
  } catch (...) {
    FValidating = false;
    FValueBuffer = nullptr;
    throw;
  }
  FValidating = false;
  FValueBuffer = nullptr;
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::SetValue(const Variant& value) {
  if (VarIsNull(value) || VarIsEmpty(value))
    Clear();
  else
    SetVarValue(value);
}

Variant TField::OldValue() const {
  if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
  return FDataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}

Variant TField::NewValue() const {
  if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
  return FDataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}

Variant TField::CurValue() const {
  if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
  return FDataSet->GetStateFieldValue(dsCurValue, const_cast<TField*>(this));
}

void TField::Assign(const TPersistent* source) {
  if (const auto* field = dynamic_cast<const TField*>(source)) {
    SetValue(field->Value());
    return;
  }
  TComponent::Assign(source);
}

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetParentComponent(TComponent* parent) {
  if (auto* ds = dynamic_cast<TDataSet*>(parent)) SetDataSet(ds);
}

void TField::AccessError(const char* typeName) const {
  DatabaseErrorFmt(SFieldAccessError, nullptr, DisplayName(), typeName);
}

std::string TField::GetAsString() const { AccessError("String"); }
int32_t TField::GetAsInteger() const { AccessError("Integer"); }
double TField::GetAsFloat() const { AccessError("Float"); }
Currency TField::GetAsCurrency() const { AccessError("Currency"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetAsString(const std::string&) { AccessError("String"); }
void TField::SetAsInteger(int32_t) { AccessError("Integer"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
void TField::SetAsCurrency(Currency) { AccessError("Currency"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
void TField::SetVarValue(const Variant&) { AccessError("Variant"); }

// ---- Lookup fields ----------------------------------------------------------

void TField::Bind(bool binding) {
  if (!binding || FFieldKind != fkLookup) return;
  if (FLookupDataSet == nullptr || FKeyFields.empty() || FLookupKeyFields.empty() || FLookupResultField.empty())
    DatabaseErrorFmt(SLookupInfoError, nullptr, DisplayName());
  if (FLookupDataSet == FDataSet) DatabaseError(SCircularDataLink, FDataSet);
  FDataSet->GetFieldList(FKeyFields);
  FLookupDataSet->Open();
  FLookupDataSet->GetFieldList(FLookupKeyFields);
  FLookupDataSet->FieldByName(FLookupResultField);
}

void TField::CalcLookupValue() {
  if (FLookupDataSet == nullptr || !FLookupDataSet->Active()) return;
  SetValue(FLookupDataSet->Lookup(FLookupKeyFields, FDataSet->GetFieldValue(FKeyFields), FLookupResultField));
}

// ---- TFields ----------------------------------------------------------------

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) DatabaseError("Field index out of range", FDataSet);
  return FList[static_cast<size_t>(index)];
}

TField* TFields::FindField(const std::string& name) const {
  for (TField* f : FList)
    if (AnsiSameText(f->FieldName(), name)) return f;
  return nullptr;
}

TField* TFields::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (f == nullptr) DatabaseErrorFmt(SFieldNotFound, FDataSet, name);
  return f;
}

TField* TFields::FieldByNumber(int fieldNo) const {
  for (TField* f : FList)
    if (f->FieldNo() == fieldNo) return f;
  return nullptr;
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(FList.begin(), FList.end(), field);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TFields::Add(TField* field) { FList.push_back(field); }

void TFields::Remove(TField* field) { FList.erase(std::remove(FList.begin(), FList.end(), field), FList.end()); }
