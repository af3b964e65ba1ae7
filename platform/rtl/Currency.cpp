// Currency: conversion from double and checked arithmetic.
#include "Currency.h"

#include <cmath>

#include "DecimalText.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

using rtl_detail::DivRoundEven;

namespace {

Currency Checked(__int128 raw) {
  if (raw > INT64_MAX || raw < INT64_MIN) throw EIntOverflow(SIntOverflow);
  return Currency::FromRaw(int64_t(raw));
}

}  // namespace

// The double goes through its shortest decimal form that reads back as the
// same double, so 1.23455 rounds as the decimal 1.23455 that the user
// wrote and not as the binary value just below it.
Currency::Currency(double value) {
  if (!std::isfinite(value)) throw EInvalidOp(SInvalidOp);
  if (std::fabs(value) >= 1e15) throw EInvalidOp(SInvalidOp);
  rtl_detail::TDecimal d = rtl_detail::DoubleToShortestDecimal(value);
  int64_t raw = 0;
  if (!rtl_detail::DecimalToCurrencyRaw(d, raw)) throw EInvalidOp(SInvalidOp);
  FValue = raw;
}

Currency Currency::FromInt64(int64_t value) { return Checked(__int128(value) * Scale); }

Currency Currency::operator+(Currency other) const {
  return Checked(__int128(FValue) + other.FValue);
}

Currency Currency::operator-(Currency other) const {
  return Checked(__int128(FValue) - other.FValue);
}

Currency Currency::operator*(Currency other) const {
  return Checked(DivRoundEven(__int128(FValue) * other.FValue, Scale));
}

Currency Currency::operator/(Currency other) const {
  if (other.FValue == 0) throw EZeroDivide(SZeroDivide);
  return Checked(DivRoundEven(__int128(FValue) * Scale, other.FValue));
}

Currency Currency::operator-() const { return Checked(-__int128(FValue)); }
