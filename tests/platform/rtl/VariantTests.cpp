// Variant: type codes, value semantics, conversions, comparison and arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "SysExceptions.h"
#include "Variants.h"

namespace {

TEST(Variant, TypeCodes) {
  struct {
    Variant Value;
    TVarType Type;
  } cases[] = {
      {Variant(), 0},
      {Null(), 1},
      {Variant(short(1)), 2},
      {Variant(1), 3},
      {Variant(1.5f), 4},
      {Variant(1.5), 5},
      {Variant(Currency(1)), 6},
      {VarFromDateTime(1), 7},
      {VarAsType(Variant("w"), varOleStr), 8},
      {VarAsError(5), 10},
      {Variant(true), 11},
      {Variant(static_cast<signed char>(1)), 16},
      {Variant(uint8_t(1)), 17},
      {Variant(uint16_t(1)), 18},
      {Variant(1u), 19},
      {Variant(int64_t(1)), 20},
      {Variant("s"), 256},
      {Variant('c'), 256},
      {VarArrayCreate({0, 1}, varByte), 0x2011},
      {VarArrayOf({1, "a"}), 0x200C},
  };
  for (const auto& c : cases) EXPECT_EQ(VarType(c.Value), c.Type);
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_FALSE(VarIsEmpty(Null()));
  EXPECT_TRUE(VarIsArray(VarArrayOf({})));
  EXPECT_EQ(VarTypeAsText(0x2011), "Array Byte");
}

TEST(Variant, CopyAndMoveKeepValuesApart) {
  Variant a = VarArrayOf({1, 2});
  Variant b = a;
  b.PutElement({0}, 99);
  EXPECT_EQ(a[0].AsInteger(), 1);
  EXPECT_EQ(b[0].AsInteger(), 99);
  Variant c = std::move(b);
  EXPECT_TRUE(VarIsEmpty(b));
  EXPECT_EQ(c[0].AsInteger(), 99);
  Variant& alias = c;
  c = alias;  // self assignment keeps the value
  EXPECT_EQ(c[1].AsInteger(), 2);
  Variant s("text");
  Variant t = s;
  s = 5;
  EXPECT_EQ(t.AsString(), "text");
}

TEST(Variant, ConversionTable) {
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_TRUE(Variant(0.1).AsBoolean());
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // a tie goes to the even number
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency(2.5)).AsInteger(), 2);
  EXPECT_EQ(Variant(1.5).AsString(), "1.5");
  EXPECT_EQ(Variant(0.1f).AsString(), "0.1");
  EXPECT_EQ(Variant(Currency(12.3456)).AsString(), "12.3456");
  EXPECT_EQ(Variant(int64_t(-5)).AsString(), "-5");
  EXPECT_EQ(VarAsType(Variant(1.23456), varCurrency).AsCurrency().Raw(), 12346);
  EXPECT_DOUBLE_EQ(VarAsType(Variant(7), varDate).AsDateTime(), 7);
  EXPECT_EQ(VarType(VarAsType(Variant("12"), varSmallint)), varSmallint);
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStrDef(Null(), "-"), "-");
  EXPECT_EQ(VarType(VarAsType(Variant(5), varNull)), varNull);

  // Values that do not fit.
  EXPECT_THROW(VarAsType(Variant(70000), varSmallint), EVariantError);
  EXPECT_THROW(VarAsType(Variant(-1), varByte), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1e300), varInteger), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1e300), varSingle), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1e300), varCurrency), EVariantError);
  EXPECT_THROW(VarAsType(Variant("70000"), varSmallint), EVariantError);
  try {
    VarAsType(Variant(70000), varSmallint);
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Overflow while converting variant of type (Integer) into type (Smallint)");
  }
  // Kinds that do not convert at all.
  for (const Variant& v : {Null(), VarAsError(3), VarArrayOf({1})}) {
    try {
      v.AsInteger();
      ADD_FAILURE() << VarType(v);
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), "Invalid variant type conversion");
    }
  }
  EXPECT_THROW(VarToStr(VarArrayOf({1})), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1), varArray | varInteger), EVariantError);
}

TEST(Variant, Comparison) {
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant(1) == Variant(Currency(1)));
  EXPECT_TRUE(Variant(int64_t(INT64_MAX)) != Variant(int64_t(INT64_MAX - 1)));
  EXPECT_TRUE(Variant("12") == Variant(12));
  EXPECT_TRUE(Variant("12.0") == Variant(12));
  EXPECT_TRUE(Variant(true) == Variant(-1));
  EXPECT_TRUE(Variant("abc") != Variant("ABC"));
  EXPECT_TRUE(Variant("a") < Variant("B"));  // locale order, not byte order
  EXPECT_TRUE(Variant(2) < Variant(10));
  EXPECT_TRUE(Variant("2") > Variant(1));
  EXPECT_TRUE(Null() == Null());
  EXPECT_TRUE(Null() != Variant(0));
  EXPECT_TRUE(Null() < Variant(0));
  EXPECT_TRUE(Unassigned() == Variant(0));
  EXPECT_TRUE(Unassigned() == Variant(""));
  EXPECT_TRUE(Unassigned() != Null());
  EXPECT_TRUE(VarFromDateTime(1.5) == Variant("12/31/1899 12:00"));
  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(NAN), Variant(NAN)), vrNotEqual);
  EXPECT_THROW((void)(Variant("abc") == Variant(1)), EConvertError);

  Variant bytes = VarArrayCreate({0, 2}, varByte);
  Variant same = bytes;
  EXPECT_TRUE(bytes == same);
  same.PutElement({1}, 7);
  EXPECT_TRUE(bytes != same);
  EXPECT_TRUE(VarArrayOf({1, "x"}) == VarArrayOf({1, "x"}));
  EXPECT_TRUE(VarArrayOf({1}) != VarArrayOf({1, 2}));
  EXPECT_TRUE(VarArrayOf({1}) != Variant(1));
  EXPECT_THROW((void)(bytes < same), EVariantError);
}

TEST(VariantArrays, BoundsAndElements) {
  Variant a = VarArrayCreate({1, 3, -2, 2}, varInteger);
  EXPECT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayLowBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarArrayLowBound(a, 2), -2);
  EXPECT_EQ(VarArrayHighBound(a, 2), 2);
  EXPECT_EQ(a.GetElement({2, 0}).AsInteger(), 0);
  a.PutElement({3, 2}, "42");  // converted to the element type
  Variant e = a.GetElement({3, 2});
  EXPECT_EQ(VarType(e), varInteger);
  EXPECT_EQ(e.AsInteger(), 42);

  for (auto bad : {std::initializer_list<int>{0, 0}, {4, 0}, {1, 3}, {1, -3}, {1}, {1, 1, 1}}) {
    try {
      a.GetElement(bad);
      ADD_FAILURE();
    } catch (const EVariantError& err) {
      EXPECT_EQ(err.Message(), "Variant or safe array index out of bounds");
    }
    EXPECT_THROW(a.PutElement(bad, 1), EVariantError);
  }
  EXPECT_THROW(VarArrayLowBound(a, 3), EVariantError);
  EXPECT_THROW(VarArrayHighBound(a, 0), EVariantError);
  EXPECT_THROW(a.PutElement({1, 1}, "abc"), EConvertError);
  EXPECT_THROW(VarArrayHighBound(Variant(1), 1), EVariantError);
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

  Variant empty = VarArrayCreate({0, -1}, varVariant);
  EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
  EXPECT_EQ(VarArrayElementCount(empty), 0);
  Variant list = VarArrayOf({1, "two", Null()});
  EXPECT_EQ(VarArrayHighBound(list, 1), 2);
  EXPECT_EQ(VarType(list[1]), varString);
  EXPECT_TRUE(VarIsNull(list[2]));
  list.PutElement({0}, VarArrayOf({5}));  // arrays nest in Variant elements
  EXPECT_EQ(list[0][0].AsInteger(), 5);
}

TEST(VariantArrays, CreationErrors) {
  const struct {
    std::initializer_list<int> Bounds;
    TVarType Type;
  } bad[] = {
      {{0, 1}, varString},  {{0, 1}, varEmpty},        {{0, 1}, varNull},
      {{}, varInteger},     {{0}, varInteger},          {{5, 3}, varInteger},
      {{0, 2000000000, 0, 2000000000}, varByte},        {{0, 2000000000}, varVariant},
      {{0, 1}, varArray | varByte},
  };
  for (const auto& b : bad) {
    try {
      VarArrayCreate(b.Bounds, b.Type);
      ADD_FAILURE() << b.Type;
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), "Error creating variant or safe array");
    }
  }
}

TEST(VariantArrays, LockGivesTheRawBytes) {
  Variant blob = VarArrayCreate({0, 4}, varByte);
  {
    TVarArrayLock lock(blob);
    std::memcpy(lock.Data(), "hello", 5);
  }
  EXPECT_EQ(blob[1].AsInteger(), 'e');
  EXPECT_EQ(VarType(blob[1]), varByte);
  blob.PutElement({4}, 33);
  uint8_t* p = static_cast<uint8_t*>(VarArrayLock(blob));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(p), 5), "hell!");
  // Locked arrays keep their size.
  EXPECT_THROW(VarArrayRedim(blob, 10), EVariantError);
  VarArrayUnlock(blob);
  EXPECT_THROW(VarArrayUnlock(blob), EVariantError);
  VarArrayRedim(blob, 6);
  EXPECT_EQ(VarArrayHighBound(blob, 1), 6);
  EXPECT_EQ(blob[3].AsInteger(), 'l');
  EXPECT_EQ(blob[6].AsInteger(), 0);
  VarArrayRedim(blob, 1);
  EXPECT_EQ(VarArrayElementCount(blob), 2);
  Variant scalar(1);
  EXPECT_THROW(VarArrayLock(scalar), EVariantError);

  // Raw layouts of other element types.
  Variant flags = VarArrayCreate({0, 1}, varBoolean);
  flags.PutElement({0}, true);
  int16_t raw[2];
  std::memcpy(raw, VarArrayLock(flags), sizeof raw);
  VarArrayUnlock(flags);
  EXPECT_EQ(raw[0], -1);
  EXPECT_EQ(raw[1], 0);
  EXPECT_TRUE(flags[0].AsBoolean());

  // A copy of a locked array is not locked.
  VarArrayLock(flags);
  Variant copy = flags;
  EXPECT_THROW(VarArrayUnlock(copy), EVariantError);
  VarArrayUnlock(flags);
}

}  // namespace
