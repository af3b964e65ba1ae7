// TSet<E>: the framework's "set of" an enumeration, kept as a bit set of up to
// 64 elements (bit n stands for the enumeration value n).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <class E>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet holds the values of an enumeration");

public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) FBits |= Bit(e);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }

  constexpr uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }
  // Chained inclusion: TSet<E>() << a << b.
  constexpr TSet& operator<<(E e) { return Include(e); }
  constexpr TSet& operator>>(E e) { return Exclude(e); }

  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }

private:
  static constexpr uint64_t Bit(E e) {
    auto n = static_cast<uint64_t>(static_cast<std::underlying_type_t<E>>(e));
    return n < 64 ? uint64_t{1} << n : 0;
  }
  uint64_t FBits = 0;
};

template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {
  using Element = E;
};
