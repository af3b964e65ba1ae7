// Host-variable records: value-list normalisation, type and size per value,
// layout reuse, the 256-item limit and the forgiving conversions.
#include <gtest/gtest.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "TypInfo.h"

namespace {

Variant Bytes(int count) {
  Variant v = VarArrayCreate({0, count - 1}, varByte);
  return v;
}

TEST_F(FrameTest, TypeAndSizeOfEachValueKind) {
  struct Case {
    const char* Name;
    Variant Value;
    TOrvaneFieldTypes Type;
    int Size;
  } cases[] = {
      {"empty", Unassigned(), ntUnknown, 0},
      {"null", Null(), ntUnknown, 0},
      {"smallint", Variant(short(1)), ntInteger, 4},
      {"integer", Variant(1), ntInteger, 4},
      {"single", Variant(1.5f), ntFloat, 8},
      {"double", Variant(1.5), ntFloat, 8},
      {"currency", Variant(Currency(3)), ntCurrency, 8},
      {"date", VarFromDateTime(40000.5), ntDateTime, 14},
      {"boolean", Variant(true), ntBoolean, 1},
      {"string one shorter than the size", Variant(std::string(8192, 'a')), ntString, 8193},
      {"string of the size", Variant(std::string(8193, 'a')), ntMemo, 8193},
      {"string one longer", Variant(std::string(8194, 'a')), ntMemo, 8194},
      {"olestr", Variant::MakeString(varOleStr, "w"), ntString, 8193},
      {"bytes that fit", Bytes(32767), ntBinary, 32767},
      {"bytes one more", Bytes(32768), ntBlob, 32768},
      {"byte scalar", Variant(static_cast<unsigned char>(1)), ntUnknown, 0},
      {"int64", Variant(1LL), ntUnknown, 0},
      {"array of integers", VarArrayCreate({0, 1}, varInteger), ntUnknown, 0},
      {"error", VarAsError(5), ntUnknown, 0},
  };
  for (const Case& c : cases) {
    int size = -1;
    EXPECT_EQ(sql->InternalGetVariableTypeAndLength(c.Value, size), c.Type) << c.Name;
    EXPECT_EQ(size, c.Size) << c.Name;
  }
}

TEST_F(FrameTest, ValueListsAreNormalised) {
  Variant list;
  sql->InternalCheckVarValues({Null()}, list);
  EXPECT_TRUE(VarIsNull(list));
  sql->InternalCheckVarValues({5}, list);
  EXPECT_EQ(VarType(list), varArray | varVariant);
  EXPECT_EQ(VarArrayElementCount(list), 1);
  sql->InternalCheckVarValues({Null(), 2}, list);
  EXPECT_EQ(VarArrayElementCount(list), 2);
  Variant inner = VarArrayOf({1, 2, 3});
  sql->InternalCheckVarValues({inner, 9}, list);  // the first array is the whole list
  EXPECT_EQ(list, inner);
}

TEST_F(FrameTest, LayoutOfMixedValues) {
  TOrvaneVariables vars{};
  sql->InternalSetVariables(VarArrayOf({7, Null(), "ab", true}), vars);
  ASSERT_EQ(vars.Count, 4);
  EXPECT_EQ(vars.BufferSize, 4 + 0 + 8193 + 1);
  const TOrvaneFieldTypes types[] = {ntInteger, ntUnknown, ntString, ntBoolean};
  const int ext[] = {496, 0, 460, 624};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(vars.Items[i].FieldType, types[i]);
    EXPECT_EQ(vars.Items[i].ExtType, ext[i]);
    EXPECT_STREQ(vars.Items[i].Name, "");
  }
  EXPECT_STREQ(vars.Buffer + 4, "ab");
  EXPECT_EQ(vars.Buffer[4 + 8193], 1);
  sql->InternalClearVariables(vars);
  EXPECT_EQ(vars.Buffer, nullptr);
  EXPECT_EQ(vars.Count, 0);
}

TEST_F(FrameTest, EmptyListsGiveTheEmptyRecord) {
  for (const Variant& list : {Null(), VarArrayOf(std::vector<Variant>{})}) {
    TOrvaneVariables vars{};
    sql->InternalSetVariables(list, vars);
    EXPECT_EQ(vars.Count, 0);
    EXPECT_EQ(vars.Buffer, nullptr);
    EXPECT_EQ(vars.BufferSize, 0);
  }
}

TEST_F(FrameTest, NewLayoutOnlyForAnotherShape) {
  TOrvaneVariables vars{};
  sql->InternalSetVariables(VarArrayOf({1, "x"}), vars);
  vars.Bound = true;
  struct Case {
    const char* Name;
    Variant List;
    bool NeedsNew;
  } cases[] = {
      {"same shape", VarArrayOf({5, "other"}), false},
      {"other type", VarArrayOf({1.5, "x"}), true},
      {"fewer values", VarArrayOf({1}), true},
      {"no values", Null(), true},
      {"memo", VarArrayOf({1, std::string(9000, 'm')}), true},
  };
  for (const Case& c : cases) EXPECT_EQ(sql->InternalNeedNewVariables(c.List, vars), c.NeedsNew) << c.Name;
  // A memo is laid out and bound again at every call, even with the same shape.
  sql->InternalSetVariables(VarArrayOf({1, std::string(9000, 'm')}), vars);
  vars.Bound = true;
  EXPECT_TRUE(sql->InternalNeedNewVariables(VarArrayOf({1, std::string(9000, 'm')}), vars));
  sql->InternalClearVariables(vars);
}

TEST_F(FrameTest, SameShapeClearsOutputValuesAndKeepsTheBinding) {
  sql->Outputs = {{"r", ntInteger, 4, 99}};
  ASSERT_TRUE(sql->Execute("e", {1}));
  ASSERT_EQ(sql->GetOutVar(0), Variant(99));
  sql->Fail = {"Execute"};
  EXPECT_FALSE(sql->Execute("e", {2}));
  EXPECT_TRUE(sql->ExecVariables.Bound);
  EXPECT_EQ(sql->GetOutVar(0), Variant(0));  // zeroed for the new execution
}

TEST_F(FrameTest, MoreThan256ValuesAreRefusedBeforeAnythingIsWritten) {
  std::vector<Variant> values(257, Variant(1));
  ExpectFrameError([&] { sql->Execute("e", values); },
                   "Too many host variables: 257 (at most 256 input and output variables in all)");
  EXPECT_EQ(log.CountOf("PrepareExecute(e)"), 0);
  EXPECT_EQ(sql->ExecVariables.Count, 0);
  values.resize(256);
  EXPECT_TRUE(sql->Execute("e", values));
  EXPECT_EQ(sql->ExecVariables.Count, 256);
}

TEST_F(FrameTest, OutputVariablesPastTheRecordAreRefused) {
  sql->ExtraOutputs = 57;
  std::vector<Variant> values(200, Variant(1));
  ExpectFrameError([&] { sql->Execute("e", values); },
                   "Too many host variables: 257 (at most 256 input and output variables in all)");
  EXPECT_EQ(sql->ExecVariables.OutCount, 0);
  sql->ExtraOutputs = 56;
  EXPECT_TRUE(sql->Execute("e", values));
  EXPECT_EQ(sql->ExecVariables.OutCount, 56);
}

TEST_F(FrameTest, ListWithOtherLowBoundIsReadFromItsLowBound) {
  Variant list = VarArrayCreate({1, 2}, varVariant);
  list.PutElement({1}, 10);
  list.PutElement({2}, 20);
  TOrvaneVariables vars{};
  sql->InternalSetVariables(list, vars);
  ASSERT_EQ(vars.Count, 2);
  int32_t second;
  std::memcpy(&second, vars.Buffer + 4, 4);
  EXPECT_EQ(second, 20);
  sql->InternalClearVariables(vars);
  ExpectFrameError([&] { sql->InternalSetVariables(VarArrayCreate({0, 1, 0, 1}, varVariant), vars); },
                   "Invalid row layout: host-variable values must form a one-dimensional array");
}

TEST(FrameConversions, FallBackInsteadOfRaising) {
  EXPECT_EQ(TOrvaneSQL::SetVarToInt(Variant("abc")), 0);
  EXPECT_EQ(TOrvaneSQL::SetVarToInt(Variant(true)), 1);
  EXPECT_EQ(TOrvaneSQL::SetVarToInt(Variant("12")), 12);
  EXPECT_EQ(TOrvaneSQL::SetVarToFloat(Variant(false)), 0.0);
  EXPECT_EQ(TOrvaneSQL::SetVarToFloat(Variant(true)), 1.0);
  EXPECT_EQ(TOrvaneSQL::SetVarToFloat(Variant("x")), 0.0);
  EXPECT_FALSE(TOrvaneSQL::SetVarToBoolean(Variant("maybe")));
  EXPECT_TRUE(TOrvaneSQL::SetVarToBoolean(Variant("true")));
  EXPECT_EQ(TOrvaneSQL::SetVarToDateTime(Variant("not a date")), 0.0);
  EXPECT_EQ(TOrvaneSQL::SetVarToStr(VarArrayOf({1})), "");
  EXPECT_EQ(TOrvaneSQL::SetVarToStr(Variant(5)), "5");
}

TEST(FrameConversions, BytesAndStreams) {
  EXPECT_TRUE(VarIsNull(TOrvaneSQL::StrToVarByte("abc", 0)));
  EXPECT_TRUE(VarIsNull(TOrvaneSQL::StrToVarByte("abc", -1)));
  Variant bytes = TOrvaneSQL::StrToVarByte("a\0c", 3);
  EXPECT_EQ(VarType(bytes), varArray | varByte);
  EXPECT_EQ(VarArrayLowBound(bytes, 1), 0);
  EXPECT_EQ(VarArrayHighBound(bytes, 1), 2);
  EXPECT_EQ(bytes[2], Variant(static_cast<unsigned char>('c')));
  TMemoryStream stream;
  stream.WriteBuffer("x\0y", 3);
  EXPECT_EQ(TOrvaneSQL::StreamToStr(&stream), std::string("x\0y", 3));
  EXPECT_EQ(VarArrayElementCount(TOrvaneSQL::StreamToVarByte(&stream)), 3);
  EXPECT_TRUE(VarIsNull(TOrvaneSQL::StreamToVarByte(nullptr)));
  EXPECT_EQ(TOrvaneSQL::StreamToStr(nullptr), "");
}

}  // namespace
