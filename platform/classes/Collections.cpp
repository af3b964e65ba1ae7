// TCollection and TCollectionItem.
#include "Collections.h"

#include <algorithm>

#include "Conversions.h"
#include "Format.h"
#include "RtlConsts.h"
#include "TypInfo.h"

// ---- TCollectionItem -------------------------------------------------------

ORV_IMPLEMENT_CLASS(TCollectionItem)

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection != nullptr) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == FCollection) return;
  if (FCollection != nullptr) FCollection->RemoveItem(this);
  if (collection != nullptr) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (FCollection == nullptr) return -1;
  auto& items = FCollection->FItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0 || current == index) return;
  auto& items = FCollection->FItems;
  if (index < 0 || index >= static_cast<int>(items.size())) throw EListError(Format(SListIndexError, index));
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

std::string TCollectionItem::GetNamePath() const {
  if (FCollection == nullptr) return ClassName();
  return FCollection->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool allItems) {
  if (FCollection != nullptr && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// ---- TCollection -----------------------------------------------------------

ORV_IMPLEMENT_CLASS(TCollection)
ORV_IMPLEMENT_CLASS(TOwnedCollection)

TCollection::TCollection(TClass itemClass) : FItemClass(itemClass) {
  if (itemClass == nullptr || !itemClass->InheritsFrom(TCollectionItem::StaticClass()) ||
      itemClass->CreateItem == nullptr)
    throw EInvalidOperation(Format("%s is not a collection item class that can be created",
                                   itemClass != nullptr ? itemClass->Name : "nil"));
}

TCollection::~TCollection() {
  // Owned items go without notifications: the collection itself is going.
  FUpdateCount = 1;
  while (!FItems.empty()) {
    TCollectionItem* last = FItems.back();
    FItems.pop_back();
    last->FCollection = nullptr;
    delete last;
  }
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(SListIndexError, index));
  return FItems[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  // The item joins this collection from its constructor.
  TPersistent* created = FItemClass->CreateItem(this);
  return static_cast<TCollectionItem*>(created);
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) throw EListError(Format(SListIndexError, index));
  BeginUpdate();
  TCollectionItem* item;
  try {
    item = Add();
    item->SetIndex(index);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  delete item;  // its destructor takes it out of the list
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) {
      TCollectionItem* last = FItems.back();
      Notify(last, cnDeleting);
      delete last;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TCollection*>(source)) {
    if (other == this) return;
    BeginUpdate();
    try {
      Clear();
      for (TCollectionItem* item : other->FItems) Add()->Assign(item);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

std::string TCollection::PropName() const {
  TPersistent* owner = GetOwner();
  if (owner == nullptr) return {};
  for (const TPropInfo& p : GetPropList(owner))
    if (p.Kind == tkClass && p.GetObject(*owner) == this) return p.Name;
  return {};
}

std::string TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (owner == nullptr) return ClassName();
  std::string path = owner->GetNamePath();
  if (path.empty()) return ClassName();
  std::string prop = PropName();
  return prop.empty() ? path : path + "." + prop;
}
