// TStrings, the framework's abstract list of strings with associated objects,
// and TStringList, its concrete form with sorting, duplicates and change events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Classes.h"
#include "Streams.h"
#include "TypInfo.h"

enum TDuplicates { dupIgnore, dupAccept, dupError };
ORV_ENUM_INFO(TDuplicates, dupIgnore, dupAccept, dupError)

class TStrings : public TPersistent {
  ORV_CLASS(TStrings, TPersistent)
public:
  TStrings() = default;
  ~TStrings() override;

  virtual int Count() const = 0;
  // Index checks raise EListError "List index out of bounds (%d)".
  virtual std::string Get(int index) const = 0;
  std::string Strings(int index) const { return Get(index); }
  virtual void Put(int index, const std::string& s);
  virtual TObject* GetObject(int index) const;
  TObject* Objects(int index) const { return GetObject(index); }
  virtual void PutObject(int index, TObject* object);

  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* object);
  void Append(const std::string& s) { Add(s); }
  void AddStrings(const TStrings& strings);
  virtual void Insert(int index, const std::string& s) = 0;
  void InsertObject(int index, const std::string& s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);

  // Case-insensitive by default (ANSI collation), see TStringList::CaseSensitive.
  virtual int IndexOf(const std::string& s) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* object) const;

  // "name=value" lines: the part before the first separator, empty without one.
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;
  // A non-empty value replaces or adds the line; an empty one deletes it.
  void SetValues(const std::string& name, const std::string& value);
  std::string ValueFromIndex(int index) const;
  void SetValueFromIndex(int index, const std::string& value);
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char c) { FNameValueSeparator = c; }

  // Every line followed by CR LF.
  virtual std::string Text() const;
  // Lines end at CR, LF or CR LF; a last line without a break counts.
  virtual void SetText(const std::string& text);
  // Items joined by the delimiter; an item holding a blank, a control
  // character, the quote or the delimiter is quoted (quotes doubled).
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);
  std::string CommaText() const;
  void SetCommaText(const std::string& text);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char c) { FDelimiter = c; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char c) { FQuoteChar = c; }

  // A batch of changes between the first BeginUpdate and the last EndUpdate
  // is reported once: OnChanging at the first BeginUpdate, OnChange at the
  // last EndUpdate (also when the batch changed nothing, as the framework does).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Same count and the same strings, case-sensitively; objects are not compared.
  bool Equals(const TStrings& other) const;
  void Assign(const TPersistent* source) override;

  // The rest of the stream from its position, as text.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // Streamed as the list property "Strings" = ( 'a' 'b' ), when not empty.
  void DefineProperties(TFiler& filer) override;

protected:
  virtual void SetUpdateState(bool updating);
  virtual int CompareStrings(const std::string& a, const std::string& b) const;

private:
  std::string JoinDelimited(char delimiter, char quoteChar) const;
  void SplitDelimited(const std::string& text, char delimiter, char quoteChar);
  int FUpdateCount = 0;
  char FNameValueSeparator = '=';
  char FDelimiter = ',';
  char FQuoteChar = '"';
};

class TStringList : public TStrings {
  ORV_CLASS(TStringList, TStrings)
public:
  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int index) const override;
  // Raises EListError "Operation not allowed on sorted list" when sorted.
  void Put(int index, const std::string& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  // Sorted: inserted at its place; a duplicate is ignored (its index
  // returned), accepted, or refused with EListError per Duplicates.
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  // Raises EListError "Operation not allowed on sorted list" when sorted.
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const std::string& s) const override;

  // Binary search of a sorted list: true and the first match's index, or false
  // and the index where s would go.
  bool Find(const std::string& s, int& index) const;
  void Sort();
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value);

  std::function<void(TObject*)> OnChange;
  std::function<void(TObject*)> OnChanging;

protected:
  void Changed();
  void Changing();
  void SetUpdateState(bool updating) override;
  int CompareStrings(const std::string& a, const std::string& b) const override;

private:
  struct TItem {
    std::string S;
    TObject* Object = nullptr;
  };
  void CheckIndex(int index, int count) const;
  void InsertItem(int index, const std::string& s, TObject* object);
  std::vector<TItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
};
