// TList: the framework's list of untyped pointers.
#include "Lists.h"

#include <algorithm>

#include "Format.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

void TList::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) throw EListError(Format(SListIndexError, index));
}

// Capacity follows the framework's growth steps so that Capacity reports what
// a framework program would see; the vector's own reserve backs it.
void TList::Grow(size_t needed) {
  if (needed <= static_cast<size_t>(FCapacity)) return;
  int delta = FCapacity > 64 ? FCapacity / 4 : (FCapacity > 8 ? 16 : 4);
  SetCapacity(std::max<int>(FCapacity + delta, static_cast<int>(needed)));
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count() || capacity > (1 << 27)) throw EListError(Format(SListCapacityError, capacity));
  FItems.reserve(static_cast<size_t>(capacity));
  FCapacity = capacity;
}

void TList::SetCount(int count) {
  if (count < 0 || count > (1 << 27)) throw EListError(Format(SListCountError, count));
  if (count > FCapacity) SetCapacity(count);
  FItems.resize(static_cast<size_t>(count), nullptr);
}

void* TList::Items(int index) const {
  CheckIndex(index, Count());
  return FItems[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item) {
  CheckIndex(index, Count());
  FItems[static_cast<size_t>(index)] = item;
}

int TList::Add(void* item) {
  Grow(FItems.size() + 1);
  FItems.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  CheckIndex(index, Count() + 1);
  Grow(FItems.size() + 1);
  FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index) {
  CheckIndex(index, Count());
  FItems.erase(FItems.begin() + index);
}

int TList::IndexOf(void* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TList::Remove(void* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* item) {
  return Remove(item) >= 0 ? item : nullptr;
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) {
    CheckIndex(curIndex, Count());
    return;
  }
  CheckIndex(curIndex, Count());
  CheckIndex(newIndex, Count());
  void* item = FItems[static_cast<size_t>(curIndex)];
  FItems.erase(FItems.begin() + curIndex);
  FItems.insert(FItems.begin() + newIndex, item);
}

void TList::Pack() { FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end()); }

void TList::Clear() {
  FItems.clear();
  FItems.shrink_to_fit();
  FCapacity = 0;
}

void TList::Sort(const std::function<int(void*, void*)>& compare) {
  std::stable_sort(FItems.begin(), FItems.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}
