// Internal to the run-time library: the storage of a variant array.
#pragma once

#include <cstdint>
#include <vector>

#include "Variants.h"

class TVarArrayData {
public:
  TVarArrayData(TVarType elementType, std::vector<TVarArrayBound> bounds);
  // A copy is never locked, whatever the original's state.
  TVarArrayData(const TVarArrayData& other);
  TVarArrayData& operator=(const TVarArrayData&) = delete;

  TVarType ElementType() const noexcept { return FElementType; }
  const std::vector<TVarArrayBound>& Bounds() const noexcept { return FBounds; }
  size_t Count() const noexcept;
  // The element index of the given indices; EVariantError when one is out of
  // bounds or their number is not the number of dimensions.
  size_t IndexOf(std::initializer_list<int> indices) const;
  Variant Get(size_t index) const;
  void Put(size_t index, const Variant& value);

  void* Lock();
  void Unlock();
  bool Locked() const noexcept { return FLockCount > 0; }
  void RedimLast(int highBound);
  bool Equals(const TVarArrayData& other) const;

  // Bytes per element for the raw element types, 0 for Variant elements.
  static size_t ElementSize(TVarType type) noexcept;
  static bool ValidElementType(TVarType type) noexcept;
  static size_t CheckedCount(const std::vector<TVarArrayBound>& bounds, size_t elementBytes);

private:
  void Resize(size_t count);

  TVarType FElementType;
  std::vector<TVarArrayBound> FBounds;
  std::vector<uint8_t> FRaw;     // fixed-size element types
  std::vector<Variant> FItems;   // varVariant and varOleStr
  int FLockCount = 0;
};
