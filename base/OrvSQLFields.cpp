// The row buffers of a statement's cursor: their allocation from the column
// descriptors, field lookup, values of the current row, and NULL and change
// tracking against the row as it was fetched.
#include <cstring>
#include <limits>

#include "AnsiStrings.h"
#include "Conversions.h"
#include "Format.h"
#include "OrvBlobStream.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"

std::string TOrvaneSQL::IdentifierText(const Variant& identifier) {
  try {
    return VarToStr(identifier);
  } catch (const Exception&) {
    return std::string();
  }
}

void TOrvaneSQL::InternalCheckFieldCount(int count) {
  if (count < 0 || count > ORVANE_MAX_FIELDS)
    RaiseLastError(Format(SOrvTooManyFields, {count, ORVANE_MAX_FIELDS}), 0);
}

void TOrvaneSQL::InternalAllocOpenBuffer() {
  // The descriptors were filled by the driver; before anything is allocated
  // over them, make sure the layout stays inside the arrays and the buffers.
  InternalCheckFieldCount(FieldCount);
  int64_t sum = 0;
  for (int i = 0; i < FieldCount; ++i) {
    if (Fields[i].Size < 0)
      RaiseLastError(Format(SOrvBadRowLayout, {"a column has a negative size"}), 0);
    sum += Fields[i].Size;
  }
  if (RecordSize < sum)
    RaiseLastError(Format(SOrvBadRowLayout, {"the row is smaller than its columns"}), 0);
  if (FetchCount < 0)
    RaiseLastError(Format(SOrvBadRowLayout, {"negative number of rows per fetch"}), 0);
  int64_t fetchBytes = static_cast<int64_t>(FetchCount) * RecordSize;
  if (fetchBytes > std::numeric_limits<int32_t>::max())
    RaiseLastError(Format(SOrvBadRowLayout, {"the fetch block exceeds 2 GiB"}), 0);

  // All five blocks or none: a failed allocation leaves nothing behind.
  TOrvaneMemBlock fetch = OrvAllocBlock(static_cast<int>(fetchBytes));
  TOrvaneMemBlock record = OrvAllocBlock(RecordSize);
  TOrvaneMemBlock oldRecord = OrvAllocBlock(RecordSize);
  TOrvaneMemBlock nulls = OrvAllocBlock(FieldCount);
  TOrvaneMemBlock oldNulls = OrvAllocBlock(FieldCount);
  FetchBufferRows = FetchCount;
  FetchBuffer = fetch.release();
  RecordBuffer = record.release();
  OldRecordBuffer = oldRecord.release();
  NullIndicators = reinterpret_cast<uint8_t*>(nulls.release());
  OldNullIndicators = reinterpret_cast<uint8_t*>(oldNulls.release());
}

void TOrvaneSQL::InternalFreeOpenBuffer() {
  if (BlobManager) BlobManager->Clear();
  OrvDisposeMem(FetchBuffer, FetchBufferRows * RecordSize);
  OrvDisposeMem(RecordBuffer, RecordSize);
  OrvDisposeMem(OldRecordBuffer, RecordSize);
  OrvDisposeMem(NullIndicators, FieldCount);
  OrvDisposeMem(OldNullIndicators, FieldCount);
  FetchBufferRows = 0;
  RecordSize = 0;
  FieldCount = 0;
}

bool TOrvaneSQL::GetFieldInfo(const Variant& identifier, int* fieldNumber, int* offset) {
  int position = -1;
  int running = 0;
  // Never walk past the descriptor array, whatever FieldCount says.
  const int count = FieldCount < 0 ? 0 : (FieldCount > ORVANE_MAX_FIELDS ? ORVANE_MAX_FIELDS : FieldCount);
  if (VarType(identifier) == varInteger) {
    int64_t index = identifier.RawInt();
    if (index < count) {
      position = static_cast<int>(index);
      for (int i = 0; i < index; ++i) running += Fields[i].Size;
    }
  } else {
    std::string name = IdentifierText(identifier);
    for (int i = 0; i < count; ++i) {
      if (AnsiSameText(Fields[i].Name, name)) {
        position = i;
        break;
      }
      running += Fields[i].Size;
    }
  }
  if (position < 0 && VarType(identifier) == varInteger) running = 0;
  if (fieldNumber != nullptr) *fieldNumber = position;
  if (offset != nullptr) *offset = running;
  return position >= 0;
}

bool TOrvaneSQL::FindField(const std::string& name) { return GetFieldInfo(Variant(name)); }

std::string TOrvaneSQL::GetFieldName(int index) const {
  if (index < 0 || index >= FieldCount || index >= ORVANE_MAX_FIELDS) return std::string();
  return Fields[index].Name;
}

TOrvaneFieldTypes TOrvaneSQL::GetFieldType(const Variant& identifier) {
  int n = -1;
  return GetFieldInfo(identifier, &n) ? Fields[n].FieldType : ntUnknown;
}

int TOrvaneSQL::GetFieldSize(const Variant& identifier) {
  int n = -1;
  return GetFieldInfo(identifier, &n) ? Fields[n].Size : 0;
}

int TOrvaneSQL::GetFieldLength(const Variant& identifier) {
  int n = -1;
  return GetFieldInfo(identifier, &n) ? Fields[n].Length : 0;
}

int TOrvaneSQL::GetFieldDecimals(const Variant& identifier) {
  int n = -1;
  return GetFieldInfo(identifier, &n) ? Fields[n].Decimals : 0;
}

bool TOrvaneSQL::GetFieldNulls(const Variant& identifier) {
  int n = -1;
  return GetFieldInfo(identifier, &n) ? Fields[n].Nulls : false;
}

const TOrvaneFieldDesc& TOrvaneSQL::LookupField(const Variant& identifier, int& fieldNumber,
                                                int& offset) {
  if (!GetFieldInfo(identifier, &fieldNumber, &offset))
    RaiseLastError(Format(ORVANE_ERR_FIELD_NOT_FOUND.Load(), {IdentifierText(identifier)}), 0);
  return Fields[fieldNumber];
}

void TOrvaneSQL::RequireRowBuffers() {
  // Descriptors without row buffers: the cursor has no row to read or write.
  if (RecordBuffer == nullptr || OldRecordBuffer == nullptr || NullIndicators == nullptr ||
      OldNullIndicators == nullptr)
    RaiseLastError(ORVANE_ERR_CURS_NOT_OPENED.Load(), 0);
}

TOrvaneBlobStream* TOrvaneSQL::BlobOf(const TOrvaneFieldDesc& field) {
  if (!OrvIsBlobType(field.FieldType)) return nullptr;
  return BlobManager->BlobByName(field.Name);
}

Variant TOrvaneSQL::GetFieldValue(const Variant& identifier) {
  Variant result = Null();
  int n = -1, offset = 0;
  const TOrvaneFieldDesc& field = LookupField(identifier, n, offset);
  TOrvaneBlobStream* blob = BlobOf(field);
  RequireRowBuffers();
  GetFieldData(RecordBuffer, offset, field.Size, field.FieldType, blob, result);
  return result;
}

Variant TOrvaneSQL::GetOldValue(const Variant& identifier) {
  Variant result = Null();
  int n = -1, offset = 0;
  const TOrvaneFieldDesc& field = LookupField(identifier, n, offset);
  TOrvaneBlobStream* blob = BlobOf(field);
  RequireRowBuffers();
  GetFieldData(OldRecordBuffer, offset, field.Size, field.FieldType, blob, result);
  return result;
}

void TOrvaneSQL::SetFieldValue(const Variant& identifier, const Variant& value) {
  if (ReadOnly) RaiseLastError(ORVANE_ERR_CURS_READ_ONLY.Load(), 0);
  int n = -1, offset = 0;
  const TOrvaneFieldDesc& field = LookupField(identifier, n, offset);
  RequireRowBuffers();
  if (VarIsNull(value)) {
    ClearField(n, offset);
    NullIndicators[n] = 1;
    return;
  }
  TOrvaneBlobStream* blob = BlobOf(field);
  PutFieldData(RecordBuffer, offset, field.Size, field.FieldType, value, blob);
  NullIndicators[n] = 0;
}

bool TOrvaneSQL::IsFieldNull(const Variant& identifier) {
  int n = -1, offset = 0;
  LookupField(identifier, n, offset);
  RequireRowBuffers();
  return NullIndicators[n] == 1;
}

bool TOrvaneSQL::IsFieldDirty(const Variant& identifier) {
  int n = -1, offset = 0;
  const TOrvaneFieldDesc& field = LookupField(identifier, n, offset);
  if (OrvIsBlobType(field.FieldType)) {
    TOrvaneBlobStream* blob = BlobManager->BlobByName(field.Name);
    RequireRowBuffers();
    return TOrvaneBlobManager::IsModified(blob) || NullIndicators[n] != OldNullIndicators[n];
  }
  if (field.Size <= 0) return false;
  RequireRowBuffers();
  return std::memcmp(RecordBuffer + offset, OldRecordBuffer + offset,
                     static_cast<size_t>(field.Size)) != 0 ||
         NullIndicators[n] != OldNullIndicators[n];
}

bool TOrvaneSQL::IsDirty() {
  if (!Opened) RaiseLastError(ORVANE_ERR_CURS_NOT_OPENED.Load(), 0);
  for (int i = 0; i < FieldCount; ++i)
    if (IsFieldDirty(Variant(i))) return true;
  return false;
}

void TOrvaneSQL::RequireFieldSlot(int fieldNumber, int offset) {
  // The callers know their field; a wrong number or offset would write
  // outside the row, so it is refused instead.
  if (fieldNumber < 0 || fieldNumber >= FieldCount || fieldNumber >= ORVANE_MAX_FIELDS)
    RaiseLastError(Format(ORVANE_ERR_FIELD_NOT_FOUND.Load(), {IntToStr(fieldNumber)}), 0);
  RequireRowBuffers();
  if (offset < 0 || static_cast<int64_t>(offset) + Fields[fieldNumber].Size > RecordSize)
    RaiseLastError(Format(SOrvBadRowLayout, {"the field lies outside the row"}), 0);
}

void TOrvaneSQL::SetNullIndicator(int fieldNumber, uint8_t value) {
  RequireFieldSlot(fieldNumber, 0);
  NullIndicators[fieldNumber] = value;
}

void TOrvaneSQL::ClearField(int fieldNumber, int offset) {
  RequireFieldSlot(fieldNumber, offset);
  if (Fields[fieldNumber].Size > 0)
    std::memset(RecordBuffer + offset, 0, static_cast<size_t>(Fields[fieldNumber].Size));
}

void TOrvaneSQL::ClearFieldNotNull(const std::string& name) {
  int n = -1, offset = 0;
  if (!GetFieldInfo(Variant(name), &n, &offset)) return;
  ClearField(n, offset);
  NullIndicators[n] = 0;
}

void TOrvaneSQL::ResetRow(uint8_t nullByte) {
  if (!Opened) RaiseLastError(ORVANE_ERR_CURS_NOT_OPENED.Load(), 0);
  if (ReadOnly) RaiseLastError(ORVANE_ERR_CURS_READ_ONLY.Load(), 0);
  if (FieldCount > 0) RequireRowBuffers();
  int offset = 0;
  for (int i = 0; i < FieldCount; ++i) {
    ClearField(i, offset);
    NullIndicators[i] = nullByte;
    offset += Fields[i].Size;
  }
}

void TOrvaneSQL::Clear() { ResetRow(1); }

void TOrvaneSQL::ClearNotNull() { ResetRow(0); }
