// TStrings and TStringList.
#include "StringLists.h"

#include <algorithm>

#include "AnsiStrings.h"
#include "Filer.h"
#include "Format.h"
#include "RtlConsts.h"

// ---- TStrings --------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TStrings)

TStrings::~TStrings() = default;

void TStrings::Put(int index, const std::string& s) {
  TObject* object = GetObject(index);
  BeginUpdate();
  try {
    Delete(index);
    InsertObject(index, s, object);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  try {
    int n = strings.Count();  // fixed first: strings may be this very list
    for (int i = 0; i < n; ++i) AddObject(strings.Get(i), strings.GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2) {
  BeginUpdate();
  try {
    std::string s = Get(index1);
    TObject* o = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s);
    PutObject(index2, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  BeginUpdate();
  try {
    std::string s = Get(curIndex);
    TObject* o = GetObject(curIndex);
    if (newIndex < 0 || newIndex >= Count()) throw EListError(Format(SListIndexError, newIndex));
    Delete(curIndex);
    InsertObject(newIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const { return AnsiCompareText(a, b); }

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string s = Get(i);
    size_t p = s.find(FNameValueSeparator);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string s = Get(index);
  size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (!value.empty()) {
    std::string line = name + FNameValueSeparator + value;
    if (i < 0)
      Add(line);
    else
      Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string s = Get(index);
  size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, const std::string& value) {
  if (!value.empty()) {
    if (index < 0) index = Add(std::string());
    Put(index, Names(index) + FNameValueSeparator + value);
  } else if (index >= 0) {
    Delete(index);
  }
}

std::string TStrings::Text() const {
  std::string result;
  for (int i = 0, n = Count(); i < n; ++i) {
    result += Get(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetText(const std::string& text) {
  BeginUpdate();
  try {
    Clear();
    size_t i = 0, n = text.size();
    while (i < n) {
      size_t start = i;
      while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
      Add(text.substr(start, i - start));
      if (i < n && text[i] == '\r') ++i;
      if (i < n && text[i] == '\n') ++i;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const { return JoinDelimited(FDelimiter, FQuoteChar); }
void TStrings::SetDelimitedText(const std::string& text) { SplitDelimited(text, FDelimiter, FQuoteChar); }
std::string TStrings::CommaText() const { return JoinDelimited(',', '"'); }
void TStrings::SetCommaText(const std::string& text) { SplitDelimited(text, ',', '"'); }

std::string TStrings::JoinDelimited(char delimiter, char quoteChar) const {
  int n = Count();
  if (n == 1 && Get(0).empty()) return std::string(2, quoteChar);
  std::string result;
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    bool quote = std::any_of(s.begin(), s.end(), [&](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == quoteChar || c == delimiter;
    });
    if (i > 0) result += delimiter;
    if (!quote) {
      result += s;
      continue;
    }
    result += quoteChar;
    for (char c : s) {
      result += c;
      if (c == quoteChar) result += c;
    }
    result += quoteChar;
  }
  return result;
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quoteChar) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  BeginUpdate();
  try {
    Clear();
    size_t i = 0, n = text.size();
    while (i < n && blank(text[i])) ++i;
    while (i < n) {
      std::string s;
      if (text[i] == quoteChar) {
        ++i;
        while (i < n) {
          if (text[i] == quoteChar) {
            if (i + 1 < n && text[i + 1] == quoteChar) {
              s += quoteChar;
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          s += text[i++];
        }
      } else {
        size_t start = i;
        while (i < n && !blank(text[i]) && text[i] != delimiter) ++i;
        s = text.substr(start, i - start);
      }
      Add(s);
      while (i < n && blank(text[i])) ++i;
      if (i < n && text[i] == delimiter) {
        if (i + 1 == n) Add(std::string());  // a trailing delimiter ends with an empty item
        ++i;
        while (i < n && blank(text[i])) ++i;
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

bool TStrings::Equals(const TStrings& other) const {
  int n = Count();
  if (n != other.Count()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

void TStrings::Assign(const TPersistent* source) {
  if (const auto* strings = dynamic_cast<const TStrings*>(source)) {
    if (strings == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(*strings);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::LoadFromStream(TStream& stream) {
  int64_t size = stream.Size() - stream.Position();
  std::string text(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  if (!text.empty()) stream.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  if (!text.empty()) stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TStrings::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Strings",
      [this](TReader& reader) {
        reader.ReadListBegin();
        BeginUpdate();
        try {
          Clear();
          while (!reader.EndOfList()) Add(reader.ReadString());
        } catch (...) {
          EndUpdate();
          throw;
        }
        EndUpdate();
        reader.ReadListEnd();
      },
      [this](TWriter& writer) {
        writer.WriteListBegin();
        for (int i = 0, n = Count(); i < n; ++i) writer.WriteString(Get(i));
        writer.WriteListEnd();
      },
      Count() > 0);
}

// ---- TStringList -----------------------------------------------------------

ORV_IMPLEMENT_CLASS(TStringList)

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) throw EListError(Format(SListIndexError, index));
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return FCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

std::string TStringList::Get(int index) const {
  CheckIndex(index, Count());
  return FList[static_cast<size_t>(index)].S;
}

void TStringList::Put(int index, const std::string& s) {
  if (FSorted) throw EListError(SSortedListError);
  CheckIndex(index, Count());
  Changing();
  FList[static_cast<size_t>(index)].S = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index, Count());
  return FList[static_cast<size_t>(index)].Object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index, Count());
  Changing();
  FList[static_cast<size_t>(index)].Object = object;
  Changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  int index;
  if (!FSorted) {
    index = Count();
  } else if (Find(s, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) throw EListError(SDuplicateString);
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Insert(int index, const std::string& s) {
  if (FSorted) throw EListError(SSortedListError);
  CheckIndex(index, Count() + 1);
  InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  FList.insert(FList.begin() + index, TItem{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  Changing();
  FList.erase(FList.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  Changing();
  std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
  Changed();
}

bool TStringList::Find(const std::string& s, int& index) const {
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = CompareStrings(FList[static_cast<size_t>(mid)].S, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Sort() {
  CustomSort([](const TStringList& list, int a, int b) {
    return list.CompareStrings(list.FList[static_cast<size_t>(a)].S, list.FList[static_cast<size_t>(b)].S);
  });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  if (FList.size() < 2) return;
  Changing();
  // The comparison takes indexes into the list, so sort a permutation and
  // apply it once.
  std::vector<int> order(FList.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(FList.size());
  for (int i : order) sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
  FList = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (FSorted == value) return;
  if (value) Sort();
  FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (FCaseSensitive == value) return;
  FCaseSensitive = value;
  if (FSorted) Sort();
}
