// Variant arrays: creation, bounds, element access, locking and resizing.
#include <cstring>

#include "RtlConsts.h"
#include "SysExceptions.h"
#include "VarArrayData.h"

namespace {

// Larger arrays are refused up front rather than left to fail in the allocator.
constexpr size_t MaxArrayBytes = size_t(1) << 31;

int64_t ReadRaw(const uint8_t* p, TVarType type) {
  switch (type) {
    case varShortInt: return *reinterpret_cast<const int8_t*>(p);
    case varByte: return *p;
    case varSmallint: case varBoolean: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case varWord: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case varInteger: case varError: { int32_t v; std::memcpy(&v, p, 4); return v; }
    case varLongWord: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    default: { int64_t v; std::memcpy(&v, p, 8); return v; }
  }
}

void WriteRaw(uint8_t* p, TVarType type, int64_t value) {
  switch (TVarArrayData::ElementSize(type)) {
    case 1: { uint8_t v = uint8_t(value); std::memcpy(p, &v, 1); break; }
    case 2: { uint16_t v = uint16_t(value); std::memcpy(p, &v, 2); break; }
    case 4: { uint32_t v = uint32_t(value); std::memcpy(p, &v, 4); break; }
    default: std::memcpy(p, &value, 8); break;
  }
}

TVarArrayData& ArrayOf(const Variant& v) {
  if (!v.IsArray()) throw EVariantError(SVarNotArray);
  return *v.ArrayData();
}

}  // namespace

size_t TVarArrayData::ElementSize(TVarType type) noexcept {
  switch (type) {
    case varShortInt: case varByte: return 1;
    case varSmallint: case varWord: case varBoolean: return 2;
    case varInteger: case varLongWord: case varSingle: case varError: return 4;
    case varDouble: case varCurrency: case varDate: case varInt64: return 8;
    default: return 0;
  }
}

bool TVarArrayData::ValidElementType(TVarType type) noexcept {
  return ElementSize(type) > 0 || type == varVariant || type == varOleStr;
}

size_t TVarArrayData::CheckedCount(const std::vector<TVarArrayBound>& bounds,
                                   size_t elementBytes) {
  if (bounds.empty()) throw EVariantError(SVarArrayCreate);
  size_t total = 1;
  for (const TVarArrayBound& b : bounds) {
    if (b.ElementCount < 0) throw EVariantError(SVarArrayCreate);
    if (int64_t(b.LowBound) + b.ElementCount - 1 > INT32_MAX) throw EVariantError(SVarArrayCreate);
    if (b.ElementCount != 0 && total > MaxArrayBytes / size_t(b.ElementCount))
      throw EVariantError(SVarArrayCreate);
    total *= size_t(b.ElementCount);
  }
  if (total > MaxArrayBytes / elementBytes) throw EVariantError(SVarArrayCreate);
  return total;
}

TVarArrayData::TVarArrayData(TVarType elementType, std::vector<TVarArrayBound> bounds)
    : FElementType(elementType), FBounds(std::move(bounds)) {
  size_t size = ElementSize(elementType);
  Resize(CheckedCount(FBounds, size ? size : sizeof(Variant)));
  if (elementType == varOleStr)
    for (Variant& item : FItems) item = Variant::MakeString(varOleStr, std::string());
}

TVarArrayData::TVarArrayData(const TVarArrayData& other)
    : FElementType(other.FElementType), FBounds(other.FBounds), FRaw(other.FRaw),
      FItems(other.FItems) {}

void TVarArrayData::Resize(size_t count) {
  size_t size = ElementSize(FElementType);
  if (size)
    FRaw.resize(count * size, 0);
  else
    FItems.resize(count);
}

size_t TVarArrayData::Count() const noexcept {
  size_t size = ElementSize(FElementType);
  return size ? FRaw.size() / size : FItems.size();
}

size_t TVarArrayData::IndexOf(std::initializer_list<int> indices) const {
  if (indices.size() != FBounds.size()) throw EVariantError(SVarArrayBounds);
  size_t index = 0, stride = 1, dim = 0;
  for (int i : indices) {
    const TVarArrayBound& b = FBounds[dim++];
    int64_t offset = int64_t(i) - b.LowBound;
    if (offset < 0 || offset >= b.ElementCount) throw EVariantError(SVarArrayBounds);
    index += size_t(offset) * stride;
    stride *= size_t(b.ElementCount);
  }
  return index;
}

Variant TVarArrayData::Get(size_t index) const {
  size_t size = ElementSize(FElementType);
  if (!size) return FItems[index];
  const uint8_t* p = FRaw.data() + index * size;
  switch (FElementType) {
    case varSingle: { float f; std::memcpy(&f, p, 4); return Variant::MakeDouble(varSingle, f); }
    case varDouble: case varDate: {
      double d;
      std::memcpy(&d, p, 8);
      return Variant::MakeDouble(FElementType, d);
    }
    default: return Variant::MakeInt(FElementType, ReadRaw(p, FElementType));
  }
}

void TVarArrayData::Put(size_t index, const Variant& value) {
  if (FElementType == varVariant) {
    FItems[index] = value;
    return;
  }
  Variant v = VarAsType(value, FElementType);
  if (FElementType == varOleStr) {
    FItems[index] = std::move(v);
    return;
  }
  uint8_t* p = FRaw.data() + index * ElementSize(FElementType);
  switch (FElementType) {
    case varSingle: { float f = float(v.RawDouble()); std::memcpy(p, &f, 4); break; }
    case varDouble: case varDate: { double d = v.RawDouble(); std::memcpy(p, &d, 8); break; }
    // The framework's array Boolean is 16 bits: -1 for True.
    case varBoolean: WriteRaw(p, varBoolean, v.RawInt() ? -1 : 0); break;
    default: WriteRaw(p, FElementType, v.RawInt()); break;
  }
}

void* TVarArrayData::Lock() {
  ++FLockCount;
  return ElementSize(FElementType) ? static_cast<void*>(FRaw.data())
                                   : static_cast<void*>(FItems.data());
}

void TVarArrayData::Unlock() {
  if (FLockCount == 0) throw EVariantError(SVarArrayNotLocked);
  --FLockCount;
}

void TVarArrayData::RedimLast(int highBound) {
  if (Locked()) throw EVariantError(SVarArrayLocked);
  std::vector<TVarArrayBound> bounds = FBounds;
  TVarArrayBound& last = bounds.back();
  int64_t count = int64_t(highBound) - last.LowBound + 1;
  if (count < 0 || count > INT32_MAX) throw EVariantError(SVarArrayCreate);
  last.ElementCount = int(count);
  size_t size = ElementSize(FElementType);
  size_t total = CheckedCount(bounds, size ? size : sizeof(Variant));
  // The last dimension varies slowest, so the elements that remain keep their
  // place.
  size_t old = Count();
  Resize(total);
  if (FElementType == varOleStr)
    for (size_t i = old; i < total; ++i) FItems[i] = Variant::MakeString(varOleStr, std::string());
  FBounds = std::move(bounds);
}

bool TVarArrayData::Equals(const TVarArrayData& other) const {
  if (FElementType != other.FElementType || FBounds.size() != other.FBounds.size()) return false;
  for (size_t i = 0; i < FBounds.size(); ++i)
    if (FBounds[i].LowBound != other.FBounds[i].LowBound ||
        FBounds[i].ElementCount != other.FBounds[i].ElementCount)
      return false;
  if (ElementSize(FElementType)) {
    if (FElementType == varSingle || FElementType == varDouble || FElementType == varDate) {
      for (size_t i = 0; i < Count(); ++i)
        if (Get(i).RawDouble() != other.Get(i).RawDouble()) return false;
      return true;
    }
    return FRaw == other.FRaw;
  }
  for (size_t i = 0; i < FItems.size(); ++i)
    if (VarType(FItems[i]) != VarType(other.FItems[i]) || FItems[i] != other.FItems[i])
      return false;
  return true;
}

Variant VarArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType) {
  if (!TVarArrayData::ValidElementType(elementType)) throw EVariantError(SVarArrayCreate);
  Variant v;
  v.FArray = std::make_unique<TVarArrayData>(elementType, bounds);
  v.FType = TVarType(varArray | elementType);
  return v;
}

Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType) {
  if (bounds.size() == 0 || bounds.size() % 2 != 0) throw EVariantError(SVarArrayCreate);
  std::vector<TVarArrayBound> dims;
  for (auto it = bounds.begin(); it != bounds.end(); it += 2) {
    int64_t count = int64_t(it[1]) - it[0] + 1;
    if (count < 0) throw EVariantError(SVarArrayCreate);
    dims.push_back({it[0], int(count)});
  }
  return VarArrayCreate(dims, elementType);
}

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant v = VarArrayCreate({0, int(values.size()) - 1}, varVariant);
  for (size_t i = 0; i < values.size(); ++i) v.ArrayData()->Put(i, values[i]);
  return v;
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::vector<Variant>(values));
}

int VarArrayDimCount(const Variant& v) noexcept {
  return v.IsArray() ? int(v.ArrayData()->Bounds().size()) : 0;
}

int VarArrayLowBound(const Variant& v, int dim) {
  const TVarArrayData& a = ArrayOf(v);
  if (dim < 1 || size_t(dim) > a.Bounds().size()) throw EVariantError(SVarArrayBounds);
  return a.Bounds()[size_t(dim) - 1].LowBound;
}

int VarArrayHighBound(const Variant& v, int dim) {
  const TVarArrayData& a = ArrayOf(v);
  if (dim < 1 || size_t(dim) > a.Bounds().size()) throw EVariantError(SVarArrayBounds);
  const TVarArrayBound& b = a.Bounds()[size_t(dim) - 1];
  return b.LowBound + b.ElementCount - 1;
}

int VarArrayElementCount(const Variant& v) {
  const TVarArrayData& a = ArrayOf(v);
  if (a.Bounds().size() != 1) throw EVariantError(SVarArrayBounds);
  return a.Bounds()[0].ElementCount;
}

Variant VarArrayGet(const Variant& v, std::initializer_list<int> indices) {
  const TVarArrayData& a = ArrayOf(v);
  return a.Get(a.IndexOf(indices));
}

void VarArrayPut(Variant& v, const Variant& value, std::initializer_list<int> indices) {
  TVarArrayData& a = ArrayOf(v);
  a.Put(a.IndexOf(indices), value);
}

Variant Variant::GetElement(std::initializer_list<int> indices) const {
  return VarArrayGet(*this, indices);
}

void Variant::PutElement(std::initializer_list<int> indices, const Variant& value) {
  VarArrayPut(*this, value, indices);
}

void VarArrayRedim(Variant& array, int highBound) { ArrayOf(array).RedimLast(highBound); }

void* VarArrayLock(Variant& v) { return ArrayOf(v).Lock(); }

void VarArrayUnlock(Variant& v) { ArrayOf(v).Unlock(); }
