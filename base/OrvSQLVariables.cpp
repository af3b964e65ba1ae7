// Host variables of a statement: normalising the value list, laying values out
// into a host-variable record and reusing the layout for values of the same
// shape, and the forgiving conversions drivers use to store values.
#include <cstring>
#include <limits>

#include "Format.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"
#include "Streams.h"

namespace {

constexpr TVarType varArrayOfVariant = varArray | varVariant;
constexpr TVarType varArrayOfByte = varArray | varByte;

// Elements of a value list. Lists are one-dimensional arrays; a low bound
// other than 0 is read from its low bound on, element by element.
int ListCount(const Variant& list) {
  if (!VarIsArray(list) || VarArrayDimCount(list) != 1) return 0;
  return VarArrayElementCount(list);
}

Variant ListElement(const Variant& list, int i) {
  return list.GetElement({VarArrayLowBound(list, 1) + i});
}

// A value list that is an array but not one the frame can read.
bool IsUnreadableList(const Variant& list) {
  return VarIsArray(list) && VarArrayDimCount(list) != 1;
}

}  // namespace

void TOrvaneSQL::InternalCheckVarValues(const TOrvaneValues& values, Variant& list) {
  if (values.empty()) {
    list = Null();
  } else if (VarType(values[0]) == varArrayOfVariant) {
    list = values[0];
  } else if (values.size() == 1 && VarIsNull(values[0])) {
    list = Null();
  } else {
    list = VarArrayOf(values);
  }
}

TOrvaneFieldTypes TOrvaneSQL::InternalGetVariableTypeAndLength(const Variant& value, int& size) {
  TOrvaneFieldTypes type;
  switch (VarType(value)) {
    case varSmallint:
    case varInteger: type = ntInteger; break;
    case varSingle:
    case varDouble: type = ntFloat; break;
    case varCurrency: type = ntCurrency; break;
    case varDate: type = ntDateTime; break;
    case varOleStr:
    case varString: type = ntString; break;
    case varBoolean: type = ntBoolean; break;
    case varArrayOfByte: type = ntBinary; break;
    default: type = ntUnknown; break;
  }
  size = InternalGetVariableLength(type);
  if (type == ntString) {
    size_t length = value.RawString().size();
    if (length + 1 > static_cast<size_t>(size)) {
      if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        RaiseLastError(Format(SOrvValueTooLarge, {0, static_cast<long long>(length)}), 0);
      size = static_cast<int>(length);
      type = ntMemo;
    }
  } else if (type == ntBinary) {
    int count = VarArrayDimCount(value) == 1 ? VarArrayElementCount(value) : 0;
    if (count > size) {
      size = count;
      type = ntBlob;
    }
  }
  return type;
}

bool TOrvaneSQL::InternalNeedNewVariables(const Variant& list, const TOrvaneVariables& variables) {
  if (!VarIsArray(list) || IsUnreadableList(list)) return true;
  if (ListCount(list) != variables.Count) return true;
  for (int i = 0; i < variables.Count; ++i) {
    int size = 0;
    TOrvaneFieldTypes type = InternalGetVariableTypeAndLength(ListElement(list, i), size);
    if (type != variables.Items[i].FieldType || size != variables.Items[i].Size) return true;
    if (OrvIsBlobType(type)) return true;
  }
  return false;
}

void TOrvaneSQL::InternalSetVariables(const Variant& list, TOrvaneVariables& variables) {
  if (IsUnreadableList(list))
    RaiseLastError(Format(SOrvBadRowLayout, {"host-variable values must form a one-dimensional array"}),
                   0);
  const int count = ListCount(list);
  // Refused before anything changes: the record holds 256 items in all.
  if (count > ORVANE_MAX_VARIABLES)
    RaiseLastError(Format(SOrvTooManyVariables, {count, ORVANE_MAX_VARIABLES}), 0);

  if (InternalNeedNewVariables(list, variables)) {
    InternalClearVariables(variables);
    if (VarIsArray(list)) {
      int64_t total = 0;
      for (int i = 0; i < count; ++i) {
        int size = 0;
        TOrvaneFieldTypes type = InternalGetVariableTypeAndLength(ListElement(list, i), size);
        if (size < 0) size = 0;
        TOrvaneFieldDesc& item = variables.Items[i];
        item.FieldType = type;
        item.Size = size;
        item.ExtType = InternalGetVariableExtType(type);
        total += size;
        if (total > std::numeric_limits<int32_t>::max())
          RaiseLastError(Format(SOrvValueTooLarge, {i + 1, static_cast<long long>(total)}), 0);
      }
      // Count and size are set only with the buffer, so that a failed
      // allocation leaves the empty record and not a layout without memory.
      variables.Buffer = static_cast<char*>(OrvAllocMem(static_cast<int>(total)));
      variables.BufferSize = static_cast<int32_t>(total);
      variables.Count = count;
    }
  } else if (variables.OutBuffer != nullptr && variables.OutBufferSize > 0) {
    std::memset(variables.OutBuffer, 0, static_cast<size_t>(variables.OutBufferSize));
  }

  int offset = 0;
  for (int i = 0; i < variables.Count; ++i) {
    const TOrvaneFieldDesc& item = variables.Items[i];
    if (i < count && variables.Buffer != nullptr)
      PutFieldData(variables.Buffer, offset, item.Size, item.FieldType, ListElement(list, i), nullptr);
    offset += item.Size;
  }
}

void TOrvaneSQL::InternalCheckOutVariables(const TOrvaneVariables& variables, int outCount) {
  int total = variables.Count + variables.OutCount;
  if (outCount < 0 || outCount > ORVANE_MAX_VARIABLES - total)
    RaiseLastError(Format(SOrvTooManyVariables,
                          {static_cast<long long>(total) + outCount, ORVANE_MAX_VARIABLES}),
                   0);
}

void TOrvaneSQL::InternalClearVariables(TOrvaneVariables& variables) {
  OrvDisposeMem(variables.Buffer, variables.BufferSize);
  OrvDisposeMem(variables.OutBuffer, variables.OutBufferSize);
  std::memset(&variables, 0, sizeof variables);
}

// Conversions ---------------------------------------------------------------

std::string TOrvaneSQL::SetVarToStr(const Variant& value) {
  try {
    return VarToStr(value);
  } catch (const std::exception&) {
    return std::string();
  }
}

int32_t TOrvaneSQL::SetVarToInt(const Variant& value) {
  try {
    if (VarType(value) == varBoolean) return value.AsBoolean() ? 1 : 0;
    return value.AsInteger();
  } catch (const std::exception&) {
    return 0;
  }
}

double TOrvaneSQL::SetVarToFloat(const Variant& value) {
  try {
    if (VarType(value) == varBoolean) return value.AsBoolean() ? 1.0 : 0.0;
    return value.AsDouble();
  } catch (const std::exception&) {
    return 0.0;
  }
}

bool TOrvaneSQL::SetVarToBoolean(const Variant& value) {
  try {
    return value.AsBoolean();
  } catch (const std::exception&) {
    return false;
  }
}

double TOrvaneSQL::SetVarToDateTime(const Variant& value) {
  try {
    return value.AsDateTime();
  } catch (const std::exception&) {
    return 0.0;
  }
}

Variant TOrvaneSQL::StrToVarByte(const void* source, int length) {
  Variant result = Null();
  if (length <= 0 || source == nullptr) return result;
  result = VarArrayCreate({0, length - 1}, varByte);
  {
    TVarArrayLock lock(result);
    std::memcpy(lock.Data(), source, static_cast<size_t>(length));
  }
  return result;
}

Variant TOrvaneSQL::StreamToVarByte(TMemoryStream* stream) {
  if (stream == nullptr) return Null();
  int64_t size = stream->Size();
  if (size > std::numeric_limits<int>::max())
    throw EOrvaneException(Format(SOrvValueTooLarge, {0, static_cast<long long>(size)}), 0);
  return StrToVarByte(stream->Memory(), static_cast<int>(size));
}

std::string TOrvaneSQL::StreamToStr(TMemoryStream* stream) {
  if (stream == nullptr) return std::string();
  int64_t size = stream->Size();
  if (size <= 0 || stream->Memory() == nullptr) return std::string();
  return std::string(static_cast<const char*>(stream->Memory()), static_cast<size_t>(size));
}
