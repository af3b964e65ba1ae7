// TList: the framework's list of untyped pointers, with its index checks.
#pragma once

#include <functional>
#include <vector>

class TList {
public:
  TList() = default;
  TList(const TList&) = default;
  TList& operator=(const TList&) = default;
  virtual ~TList() = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Growing fills with nulls, shrinking drops the tail.
  void SetCount(int count);
  int Capacity() const { return FCapacity; }
  // The capacity never drops below Count: EListError "List capacity out of bounds (%d)".
  void SetCapacity(int capacity);

  // Every index is checked: EListError "List index out of bounds (%d)".
  void* Items(int index) const;
  void Put(int index, void* item);
  void* operator[](int index) const { return Items(index); }
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Add(void* item);
  void Insert(int index, void* item);  // 0 <= index <= Count
  void Delete(int index);
  // Removes the first occurrence; returns its index, or -1.
  int Remove(void* item);
  // Removes the first occurrence and returns it, or null when absent.
  void* Extract(void* item);
  int IndexOf(void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  // Drops every null entry.
  void Pack();
  void Clear();
  // A stable sort by compare (negative, 0, positive).
  void Sort(const std::function<int(void*, void*)>& compare);

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  void CheckIndex(int index, int count) const;
  void Grow(size_t needed);
  std::vector<void*> FItems;
  int FCapacity = 0;
};
