// TFieldDef and TFieldDefs.
#include "FieldDefs.h"

#include "AnsiStrings.h"
#include "BlobField.h"
#include "DBConsts.h"
#include "DataSet.h"
#include "StdFields.h"
#include "TypInfo.h"

// ---- TFieldDef --------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TFieldDef)

void TFieldDef::Publish(TPropertyTable<TFieldDef>& props) {
  props.Add("Name", &TFieldDef::Name, &TFieldDef::SetName);
  props.Add("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType).Default(ftUnknown);
  props.Add("Precision", &TFieldDef::Precision, &TFieldDef::SetPrecision).Default(0);
  props.Add("Required", &TFieldDef::Required, &TFieldDef::SetRequired).Default(false);
  props.Add("Size", &TFieldDef::Size, &TFieldDef::SetSize).Default(0);
}

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) { FFieldNo = Index() + 1; }

TFieldDefs* TFieldDef::Defs() const { return static_cast<TFieldDefs*>(Collection()); }

void TFieldDef::SetName(const std::string& name) {
  if (name == FName) return;
  if (TFieldDefs* defs = Defs(); defs != nullptr && !name.empty()) {
    TFieldDef* other = defs->FindDef(name);
    if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, defs->DataSet(), name);
  }
  FName = name;
}

void TFieldDef::SetSize(int size) {
  if (size < 0) DatabaseError(SInvalidFieldSize);
  FSize = size;
}

TClass TFieldDef::FieldClass() const {
  switch (FDataType) {
    case ftString:
    case ftFixedChar:
      return TStringField::StaticClass();
    case ftInteger:
      return TIntegerField::StaticClass();
    case ftBoolean:
      return TBooleanField::StaticClass();
    case ftFloat:
      return TFloatField::StaticClass();
    case ftCurrency:
      return TCurrencyField::StaticClass();
    case ftDate:
      return TDateField::StaticClass();
    case ftTime:
      return TTimeField::StaticClass();
    case ftDateTime:
      return TDateTimeField::StaticClass();
    case ftBytes:
      return TBytesField::StaticClass();
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
      return TBlobField::StaticClass();
    case ftMemo:
    case ftFmtMemo:
      return TMemoField::StaticClass();
    default:
      return nullptr;
  }
}

TField* TFieldDef::CreateField(TComponent* owner) const {
  TDataSet* ds = Defs() != nullptr ? Defs()->DataSet() : nullptr;
  TClass cls = FieldClass();
  if (cls == nullptr || cls->CreateComponent == nullptr) DatabaseErrorFmt(SUnknownFieldType, ds, FName);
  // Owned by owner from here on; a failure below destroys it again.
  auto* field = static_cast<TField*>(cls->CreateComponent(owner));
  try {
    if (field->DataType() == ftString || field->DataType() == ftBytes || field->IsBlob()) field->SetSize(FSize);
    field->SetFieldName(FName);
    field->SetRequired(FRequired);
    field->SetDataSet(ds);
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

// ---- TFieldDefs -------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TFieldDefs)

TFieldDefs::TFieldDefs(TDataSet* dataSet) : TOwnedCollection(dataSet, TFieldDef::StaticClass()), FDataSet(dataSet) {}

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
  if (name.empty()) DatabaseError(SFieldNameMissing, FDataSet);
  if (FindDef(name) != nullptr) DatabaseErrorFmt(SDuplicateFieldName, FDataSet, name);
  if (size < 0) DatabaseError(SInvalidFieldSize);
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(type);
  def->SetSize(size);
  def->SetRequired(required);
  def->SetFieldNo(def->Index() + 1);
  return def;
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::FindDef(const std::string& name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : Items(i);
}

TFieldDef* TFieldDefs::Find(const std::string& name) const {
  TFieldDef* def = FindDef(name);
  if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, FDataSet, name);
  return def;
}

void TFieldDefs::Update() {
  if (FUpdating || FDataSet == nullptr) return;
  FUpdating = true;
  try {
    BeginUpdate();
    try {
      FDataSet->InitFieldDefs();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
  FUpdated = true;
}
