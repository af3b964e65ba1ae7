// TAsaSQL: values between the row and variable buffers and variants, the
// host-variable sizes and types, and when a long value comes from its stream.
#include <algorithm>
#include <cstring>
#include <string>

#include "AsaSQL.h"
#include "AsaSession.h"
#include "AsaTimeStamp.h"

namespace {

constexpr int MaxTextLength = 32767;

// The bytes of a byte array (variant type 8209); false for any other value.
bool ByteArrayBytes(const Variant& value, std::string& bytes) {
  if (value.VType() != (varArray | varByte)) return false;
  Variant copy = value;
  int count = VarArrayElementCount(copy);
  TVarArrayLock lock(copy);
  bytes.assign(static_cast<const char*>(lock.Data()), static_cast<size_t>(std::max(count, 0)));
  return true;
}

}  // namespace

int TAsaSQL::InternalGetVariableLength(TOrvaneFieldTypes type) {
  switch (type) {
    case ntString: return 8193;
    case ntInteger: return 4;
    case ntFloat:
    case ntCurrency: return 8;
    case ntDate:
    case ntTime:
    case ntDateTime: return 14;
    case ntBoolean: return 1;
    case ntBinary:
    case ntMemo:
    case ntBlob: return 32767;
    default: return 0;
  }
}

int TAsaSQL::InternalGetVariableExtType(TOrvaneFieldTypes type) {
  switch (type) {
    case ntString:
    case ntMemo: return ESQL_STRING;
    case ntInteger: return ESQL_INT;
    case ntFloat:
    case ntCurrency: return ESQL_DOUBLE;
    case ntDate:
    case ntTime:
    case ntDateTime: return ESQL_TIMESTAMP_STRUCT;
    case ntBoolean: return ESQL_BIT;
    case ntBinary:
    case ntBlob: return ESQL_BINARY;
    default: return 0;
  }
}

bool TAsaSQL::InternalBlobNeedsFetch(TOrvaneBlobStream* blob) {
  int i = blob->GetFieldNo();
  if (BlobSize == 0 || ResultSqlda == nullptr || i < 0 || i >= FieldCount) return true;
  // A long binary value comes into its text slot cut at its first zero byte,
  // so only the stream gives its bytes faithfully.
  if (Fields[i].FieldType == ntBlob) return true;
  int entry = BufferRow * FieldCount + i;
  if (entry >= ResultSqlda->sqln) return true;
  const int16_t* ind = orv_sqlvar(ResultSqlda, entry)->sqlind;
  return ind != nullptr && *ind > 0;
}

void TAsaSQL::GetFieldData(const char* buffer, int offset, int size, TOrvaneFieldTypes type,
                           TOrvaneBlobStream* blob, Variant& value) {
  const char* p = buffer + offset;
  // Character conversion only with a session that asks for it; the check
  // stays cheap because every text cell of a scan passes here.
  const bool oem = FSession != nullptr && FSession->OEMConvert();
  auto text = [&](const char* from, size_t length) {
    std::string s(from, std::min<size_t>(length, MaxTextLength));
    if (oem && !s.empty()) FSession->TranslateChar(s.data(), s.data(), static_cast<int>(s.size()), false);
    return s;
  };
  auto streamBytes = [&](std::string& bytes) {
    int32_t n = blob->GetBlobSize();
    blob->Seek(0, soBeginning);
    bytes.assign(static_cast<size_t>(std::max(n, 0)), '\0');
    int64_t got = n > 0 ? blob->Read(bytes.data(), n) : 0;
    bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  };
  switch (type) {
    case ntUnknown:
    default: value = Null(); break;
    case ntString:
      value = Variant(text(p, strnlen(p, static_cast<size_t>(std::max(size, 0)))));
      break;
    case ntInteger: {
      int32_t v;
      std::memcpy(&v, p, sizeof v);
      value = Variant(int(v));
      break;
    }
    case ntFloat:
    case ntCurrency: {
      double v;
      std::memcpy(&v, p, sizeof v);
      value = type == ntCurrency ? Variant(Currency(v)) : Variant(v);
      break;
    }
    case ntDate:
    case ntTime:
    case ntDateTime: {
      SQLDATETIME record;
      std::memcpy(&record, p, sizeof record);
      value = VarFromDateTime(GetAsaTimeStamp(record));
      break;
    }
    case ntBoolean: value = Variant(*p != 0); break;
    case ntBinary: value = StrToVarByte(p + 2, size - 2); break;
    case ntMemo:
      if (blob != nullptr && InternalBlobNeedsFetch(blob)) {
        std::string bytes;
        streamBytes(bytes);
        if (oem && !bytes.empty())
          FSession->TranslateChar(bytes.data(), bytes.data(), static_cast<int>(bytes.size()), false);
        value = Variant(std::move(bytes));
      } else {
        value = Variant(text(p, strnlen(p, static_cast<size_t>(std::max(size, 0)))));
      }
      break;
    case ntBlob:
      if (blob != nullptr && InternalBlobNeedsFetch(blob)) {
        std::string bytes;
        streamBytes(bytes);
        value = StrToVarByte(bytes.data(), static_cast<int>(bytes.size()));
      } else {
        // The text slot holds the value up to its first zero byte.
        value = StrToVarByte(p, static_cast<int>(strnlen(p, static_cast<size_t>(std::max(size, 0)))));
      }
      break;
  }
}

void TAsaSQL::PutFieldData(char* buffer, int offset, int size, TOrvaneFieldTypes type,
                           const Variant& value, TOrvaneBlobStream* blob) {
  char* p = buffer + offset;
  switch (type) {
    case ntUnknown: break;
    case ntString: {
      if (size <= 0) break;
      std::string s = SetVarToStr(value);
      size_t n = std::min(s.size(), static_cast<size_t>(size - 1));
      std::memcpy(p, s.data(), n);
      p[n] = '\0';
      if (n > 0) AsaSession().TranslateChar(p, p, static_cast<int>(n), true);
      break;
    }
    case ntInteger: {
      int32_t v = SetVarToInt(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case ntFloat:
    case ntCurrency: {
      double v = SetVarToFloat(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case ntDate:
    case ntTime:
    case ntDateTime: {
      SQLDATETIME record;
      std::memcpy(&record, p, sizeof record);
      PutAsaTimeStamp(record, SetVarToDateTime(value));
      std::memcpy(p, &record, sizeof record);
      break;
    }
    case ntBoolean: *p = SetVarToBoolean(value) ? 1 : 0; break;
    case ntBinary: {
      std::string bytes;
      if (size < 2 || !ByteArrayBytes(value, bytes)) break;
      uint16_t n = static_cast<uint16_t>(std::min<size_t>(bytes.size(), static_cast<size_t>(size - 2)));
      std::memcpy(p, &n, sizeof n);
      std::memcpy(p + 2, bytes.data(), n);
      break;
    }
    case ntMemo: {
      if (value.VType() != varString && value.VType() != varOleStr) break;
      std::string s = VarToStr(value);
      if (!s.empty()) AsaSession().TranslateChar(s.data(), s.data(), static_cast<int>(s.size()), true);
      if (blob != nullptr) {
        blob->Clear();
        blob->Write(s.data(), static_cast<int64_t>(s.size()));
        blob->Modified = true;
      } else if (size > 0) {
        std::memcpy(p, s.data(), std::min(s.size(), static_cast<size_t>(size)));
      }
      break;
    }
    case ntBlob: {
      std::string bytes;
      if (!ByteArrayBytes(value, bytes)) break;
      if (blob != nullptr) {
        blob->Clear();
        blob->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        blob->Modified = true;
      } else if (size > 0) {
        std::memcpy(p, bytes.data(), std::min(bytes.size(), static_cast<size_t>(size)));
      }
      break;
    }
  }
}
