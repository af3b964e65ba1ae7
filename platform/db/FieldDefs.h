// TFieldDef and TFieldDefs: the description of the columns a dataset's cursor
// delivers (name, type, size, required, column number), from which the
// dataset makes its default fields and against which it binds fields.
#pragma once

#include <string>

#include "Collections.h"
#include "DBTypes.h"

class TDataSet;
class TField;
class TFieldDefs;

class TFieldDef : public TCollectionItem {
  ORV_CLASS(TFieldDef, TCollectionItem)
public:
  explicit TFieldDef(TCollection* collection);

  const std::string& Name() const { return FName; }
  // EDatabaseError "Duplicate field name 'X'" when another definition of the
  // list has the name (ignoring case).
  void SetName(const std::string& name);
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType type) { FDataType = type; }
  int Size() const { return FSize; }
  // EDatabaseError "Invalid field size" for a negative size.
  void SetSize(int size);
  bool Required() const { return FRequired; }
  void SetRequired(bool value) { FRequired = value; }
  int Precision() const { return FPrecision; }
  void SetPrecision(int value) { FPrecision = value; }
  // The column number (1-based) the dataset reads the value from.
  int FieldNo() const { return FFieldNo; }
  void SetFieldNo(int value) { FFieldNo = value; }
  std::string DisplayName() const override { return FName; }

  // The field class for DataType, or null when the framework has none.
  TClass FieldClass() const;
  // Makes a data field for this definition in the list's dataset, owned by
  // owner. EDatabaseError "Field 'X' is of an unknown type" without a class.
  TField* CreateField(TComponent* owner) const;

  static void Publish(TPropertyTable<TFieldDef>& props);

private:
  TFieldDefs* Defs() const;
  std::string FName;
  TFieldType FDataType = ftUnknown;
  int FSize = 0;
  int FPrecision = 0;
  int FFieldNo = 0;
  bool FRequired = false;
};

class TFieldDefs : public TOwnedCollection {
  ORV_CLASS(TFieldDefs, TOwnedCollection)
public:
  explicit TFieldDefs(TDataSet* dataSet);

  TDataSet* DataSet() const { return FDataSet; }
  TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
  TFieldDef* operator[](int index) const { return Items(index); }
  // A new definition with FieldNo = its position + 1. Raises EDatabaseError
  // "Field name missing" for an empty name and "Duplicate field name 'X'".
  TFieldDef* Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
  TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }
  // By name, ignoring case: the index or -1, the definition or null.
  int IndexOf(const std::string& name) const;
  TFieldDef* FindDef(const std::string& name) const;
  // EDatabaseError "Field 'X' not found".
  TFieldDef* Find(const std::string& name) const;
  // Refreshes the list from the dataset's cursor (opening it for field
  // information only when it is closed).
  void Update();
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool value) { FUpdated = value; }

protected:
  // The collection's change report keeps its own meaning beside Update().
  using TCollection::Update;

private:
  TDataSet* FDataSet;
  bool FUpdated = false;
  bool FUpdating = false;
};
