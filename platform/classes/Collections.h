// TCollection and TCollectionItem: an owned, ordered list of persistent items of
// one class (field definitions, grid columns), streamed as < item ... end >.
#pragma once

#include <string>
#include <vector>

#include "Classes.h"

class TCollection;

class TCollectionItem : public TPersistent {
  ORV_CLASS(TCollectionItem, TPersistent)
public:
  // Joins the collection (when not null), which then owns the item.
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (or out of any, handing ownership to
  // the caller).
  void SetCollection(TCollection* collection);
  int Index() const;
  // Moves the item within its collection; raises EListError out of range.
  virtual void SetIndex(int index);
  int ID() const { return FID; }
  // The text the designer lists the item under; the class name by default.
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string& name);
  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override;

protected:
  // Reports a change of this item (or of all items) to the collection.
  void Changed(bool allItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
  ORV_CLASS(TCollection, TPersistent)
public:
  // itemClass must be a TCollectionItem class built from its collection;
  // otherwise EInvalidOperation.
  explicit TCollection(TClass itemClass);
  ~TCollection() override;

  TClass ItemClass() const { return FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TCollectionItem* Items(int index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  TCollectionItem* FindItemID(int id) const;

  // Changes between the first BeginUpdate and the last EndUpdate are reported
  // once, as a change of all items, at the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // From another collection: the same number of items, each assigned from its
  // counterpart.
  void Assign(const TPersistent* source) override;
  std::string GetNamePath() const override;
  // The name of the owner's published property that holds this collection.
  std::string PropName() const;

protected:
  // A change of one item, or of all items when item is null.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  TClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that names an owner (for GetOwner and the designer's name path).
class TOwnedCollection : public TCollection {
  ORV_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* owner, TClass itemClass) : TCollection(itemClass), FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};
