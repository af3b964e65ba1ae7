// Small component classes with one property of every kind, shared by the
// component-model tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Collections.h"
#include "StringLists.h"
#include "TypInfo.h"

class TTestComp;

enum TTestMode { tmLocal, tmServer, tmNetwork };
ORV_ENUM_INFO(TTestMode, tmLocal, tmServer, tmNetwork)

enum TTestOption { toAutoCommit, toReadOnly, toTrimStrings };
ORV_ENUM_INFO(TTestOption, toAutoCommit, toReadOnly, toTrimStrings)
using TTestOptions = TSet<TTestOption>;

// What the test components did, in order: "Loaded Name", "SetActive Name loading".
std::vector<std::string>& TestLog();

class TTestItem : public TCollectionItem {
  ORV_CLASS(TTestItem, TCollectionItem)
public:
  explicit TTestItem(TCollection* collection) : TCollectionItem(collection) {}
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& name) { FFieldName = name; }
  int Size() const { return FSize; }
  void SetSize(int size) { FSize = size; }
  // Not told when the target goes: only for forms that outlive nothing.
  TTestComp* Target() const { return FTarget; }
  void SetTarget(TTestComp* target) { FTarget = target; }
  void Assign(const TPersistent* source) override;
  static void Publish(TPropertyTable<TTestItem>& props);

private:
  std::string FFieldName;
  int FSize = 0;
  TTestComp* FTarget = nullptr;
};

class TTestComp : public TComponent {
  ORV_CLASS(TTestComp, TComponent)
public:
  explicit TTestComp(TComponent* owner);
  ~TTestComp() override;

  bool Active() const { return FActive; }
  void SetActive(bool value);
  int Count() const { return FCount; }
  void SetCount(int value) { FCount = value; }
  int64_t Big() const { return FBig; }
  void SetBig(int64_t value) { FBig = value; }
  double Ratio() const { return FRatio; }
  void SetRatio(double value) { FRatio = value; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value) { FCaption = value; }
  TTestMode Mode() const { return FMode; }
  void SetMode(TTestMode value) { FMode = value; }
  TTestOptions Options() const { return FOptions; }
  void SetOptions(TTestOptions value) { FOptions = value; }
  char Separator() const { return FSeparator; }
  void SetSeparator(char value) { FSeparator = value; }
  TStrings* SQL() const { return FSQL.get(); }
  void SetSQL(TStrings* value) { FSQL->Assign(value); }
  TOwnedCollection* Items() const { return FItems.get(); }
  TTestComp* Link() const { return FLink; }
  void SetLink(TTestComp* value);
  bool IsCaptionStored() const { return FCaption != "(none)"; }

  std::function<void(TObject*)> OnChange;
  std::function<int(TObject*, int)> OnCompute;

  // Raw bytes streamed as the binary property "Data".
  std::string Data;

  void Loaded() override;
  void DefineProperties(TFiler& filer) override;
  static void Publish(TPropertyTable<TTestComp>& props);

  static int Destroyed;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool FActive = false;
  int FCount = 25;
  int64_t FBig = 0;
  double FRatio = 0;
  std::string FCaption;
  TTestMode FMode = tmServer;
  TTestOptions FOptions{toAutoCommit};
  char FSeparator = ',';
  std::unique_ptr<TStringList> FSQL;
  std::unique_ptr<TOwnedCollection> FItems;
  TTestComp* FLink = nullptr;
};

// Adds a property and changes an inherited default.
class TTestCompEx : public TTestComp {
  ORV_CLASS(TTestCompEx, TTestComp)
public:
  explicit TTestCompEx(TComponent* owner) : TTestComp(owner) {
    SetCount(10);
    TestLog().push_back(ComponentState().Contains(csLoading) ? "Create loading" : "Create");
  }
  const std::string& Extra() const { return FExtra; }
  void SetExtra(const std::string& value) { FExtra = value; }
  static void Publish(TPropertyTable<TTestCompEx>& props);

private:
  std::string FExtra;
};

// A form-like root that publishes methods for events.
class TTestRoot : public TComponent {
  ORV_CLASS(TTestRoot, TComponent)
public:
  explicit TTestRoot(TComponent* owner);
  void HandleChange(TObject* sender) { Changes.push_back(sender); }
  std::vector<TObject*> Changes;
  void Loaded() override;
};

// Holds a sub-component that is streamed as its property "Inner".
class TTestHolder : public TComponent {
  ORV_CLASS(TTestHolder, TComponent)
public:
  explicit TTestHolder(TComponent* owner);
  TTestComp* Inner() const { return FInner; }
  static void Publish(TPropertyTable<TTestHolder>& props);

private:
  TTestComp* FInner;  // owned as a component
};

// Registers the classes above once.
void RegisterTestClasses();
