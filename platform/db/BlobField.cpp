// TBlobField and TMemoField: values through the dataset's blob streams.
#include "BlobField.h"

#include <cstring>

#include "DBConsts.h"
#include "DataSet.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TBlobField)
ORV_IMPLEMENT_CLASS(TMemoField)

void TBlobField::Publish(TPropertyTable<TBlobField>& props) {
  props.Add("Size", static_cast<int (TBlobField::*)() const>(&TField::Size), &TBlobField::SetSize).Default(0);
  props.Add("Transliterate", &TBlobField::Transliterate, &TBlobField::SetTransliterate);
}

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) {
  SetDataType(ftMemo);
  SetTransliterate(true);
}

void TBlobField::SetSize(int size) {
  CheckInactive();
  if (size < 0) DatabaseError(SInvalidFieldSize);
  StoreSize(size);
}

// Write streams change the record buffer directly, so the checks that
// SetData makes for other fields are made here before one is opened.
std::unique_ptr<TStream> TBlobField::OpenStream(TBlobStreamMode mode) const {
  TDataSet* ds = DataSet();
  if (ds == nullptr) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
  if (mode != bmRead) {
    if (ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, nullptr, DisplayName());
    if (ds->State() != dsEdit && ds->State() != dsInsert && ds->State() != dsNewValue)
      DatabaseError(SNotEditing, ds);
  }
  std::unique_ptr<TStream> stream = ds->CreateBlobStream(const_cast<TBlobField*>(this), mode);
  if (stream == nullptr) DatabaseErrorFmt(SNoBlobStream, ds, DisplayName());
  return stream;
}

int64_t TBlobField::BlobSize() const {
  if (IsNull()) return 0;
  return OpenStream(bmRead)->Size();
}

std::string TBlobField::GetAsString() const {
  if (IsNull()) return {};
  std::unique_ptr<TStream> stream = OpenStream(bmRead);
  std::string result;
  char chunk[4096];
  for (;;) {
    int64_t n = stream->Read(chunk, sizeof chunk);
    if (n <= 0) break;
    result.append(chunk, static_cast<size_t>(n));
  }
  return result;
}

void TBlobField::SetAsString(const std::string& value) {
  std::unique_ptr<TStream> stream = OpenStream(bmWrite);
  // The stream may translate the caller's buffer in place.
  std::string copy = value;
  if (!copy.empty()) stream->WriteBuffer(copy.data(), static_cast<int64_t>(copy.size()));
}

void TBlobField::Clear() { OpenStream(bmWrite); }

void TBlobField::LoadFromStream(TStream& source) {
  std::unique_ptr<TStream> stream = OpenStream(bmWrite);
  stream->CopyFrom(source, 0);
}

void TBlobField::SaveToStream(TStream& dest) const {
  if (IsNull()) return;
  std::unique_ptr<TStream> stream = OpenStream(bmRead);
  char chunk[4096];
  for (;;) {
    int64_t n = stream->Read(chunk, sizeof chunk);
    if (n <= 0) break;
    dest.WriteBuffer(chunk, n);
  }
}

void TBlobField::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TBlobField::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

void TBlobField::SetVarValue(const Variant& value) {
  if (value.IsArray() && VarArrayDimCount(value) == 1 && (value.VType() & varTypeMask) == varByte) {
    Variant copy = value;
    std::string bytes(static_cast<size_t>(VarArrayElementCount(copy)), '\0');
    {
      TVarArrayLock lock(copy);
      if (!bytes.empty()) std::memcpy(bytes.data(), lock.Data(), bytes.size());
    }
    SetAsString(bytes);
    return;
  }
  SetAsString(VarToStr(value));
}
