// The shared test components.
#include "TestComponents.h"

#include "ClassRegistry.h"
#include "Filer.h"

std::vector<std::string>& TestLog() {
  static std::vector<std::string> log;
  return log;
}

ORV_IMPLEMENT_CLASS(TTestItem)
ORV_IMPLEMENT_CLASS(TTestComp)
ORV_IMPLEMENT_CLASS(TTestCompEx)
ORV_IMPLEMENT_CLASS(TTestRoot)
ORV_IMPLEMENT_CLASS(TTestHolder)

void TTestItem::Assign(const TPersistent* source) {
  if (const auto* item = dynamic_cast<const TTestItem*>(source)) {
    FFieldName = item->FFieldName;
    FSize = item->FSize;
    return;
  }
  TCollectionItem::Assign(source);
}

void TTestItem::Publish(TPropertyTable<TTestItem>& props) {
  props.Add("FieldName", &TTestItem::FieldName, &TTestItem::SetFieldName);
  props.Field("Size", &TTestItem::FSize).Default(0);
  props.Add("Target", &TTestItem::Target, &TTestItem::SetTarget);
}

int TTestComp::Destroyed = 0;

TTestComp::TTestComp(TComponent* owner)
    : TComponent(owner),
      FSQL(std::make_unique<TStringList>()),
      FItems(std::make_unique<TOwnedCollection>(this, TTestItem::StaticClass())) {}

TTestComp::~TTestComp() { ++Destroyed; }

void TTestComp::SetActive(bool value) {
  bool loading = ComponentState().Contains(csLoading);
  TestLog().push_back("SetActive " + Name() + (loading ? " loading" : ""));
  FActive = value;
}

void TTestComp::SetLink(TTestComp* value) {
  if (FLink != nullptr) FLink->RemoveFreeNotification(this);
  FLink = value;
  if (FLink != nullptr) FLink->FreeNotification(this);
}

void TTestComp::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FLink) {
    TestLog().push_back("LinkGone " + Name());
    FLink = nullptr;
  }
}

void TTestComp::Loaded() {
  TComponent::Loaded();
  TestLog().push_back("Loaded " + Name() + " link=" + (FLink ? FLink->Name() : std::string("-")) +
                      " sql=" + std::to_string(FSQL->Count()));
}

void TTestComp::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Data",
      [this](TStream& s) {
        Data.assign(static_cast<size_t>(s.Size()), '\0');
        if (!Data.empty()) s.ReadBuffer(Data.data(), static_cast<int64_t>(Data.size()));
      },
      [this](TStream& s) { s.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size())); }, !Data.empty());
}

void TTestComp::Publish(TPropertyTable<TTestComp>& props) {
  props.Add("Active", &TTestComp::Active, &TTestComp::SetActive).Default(false);
  props.Add("Count", &TTestComp::Count, &TTestComp::SetCount).Default(25);
  props.Add("Big", &TTestComp::Big, &TTestComp::SetBig).Default(0);
  props.Add("Ratio", &TTestComp::Ratio, &TTestComp::SetRatio);
  props.Add("Caption", &TTestComp::Caption, &TTestComp::SetCaption).Stored(&TTestComp::IsCaptionStored);
  props.Add("Mode", &TTestComp::Mode, &TTestComp::SetMode).Default(tmServer);
  props.Add("Options", &TTestComp::Options, &TTestComp::SetOptions).Default(TTestOptions{toAutoCommit});
  props.Add("Separator", &TTestComp::Separator, &TTestComp::SetSeparator).Default(',');
  props.Add("SQL", &TTestComp::SQL, &TTestComp::SetSQL);
  props.Add("Items", &TTestComp::Items);
  props.Add("Link", &TTestComp::Link, &TTestComp::SetLink);
  props.Event("OnChange", &TTestComp::OnChange);
  props.Event("OnCompute", &TTestComp::OnCompute);
}

void TTestCompEx::Publish(TPropertyTable<TTestCompEx>& props) {
  props.Add("Count", &TTestComp::Count, &TTestComp::SetCount).Default(10);
  props.Add("Extra", &TTestCompEx::Extra, &TTestCompEx::SetExtra);
}

TTestRoot::TTestRoot(TComponent* owner) : TComponent(owner) {
  RegisterMethod("HandleChange", this, &TTestRoot::HandleChange);
  RegisterMethod<int(TObject*, int)>("Twice", [](TObject*, int n) { return 2 * n; });
}

void TTestRoot::Loaded() {
  TComponent::Loaded();
  TestLog().push_back("Loaded " + Name());
}

TTestHolder::TTestHolder(TComponent* owner) : TComponent(owner), FInner(new TTestComp(this)) {
  FInner->SetName("Inner");
  FInner->SetSubComponent(true);
}

void TTestHolder::Publish(TPropertyTable<TTestHolder>& props) {
  props.Add("Inner", &TTestHolder::Inner).SubComponent();
}

void RegisterTestClasses() {
  RegisterClasses({TTestComp::StaticClass(), TTestCompEx::StaticClass(), TTestRoot::StaticClass(),
                   TTestHolder::StaticClass(), TComponent::StaticClass()});
}
