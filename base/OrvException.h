// EOrvaneException: the exception through which every database error travels,
// the message plus the error code of the failing operation.
#pragma once

#include <cstdint>
#include <string>

#include "SysExceptions.h"

class EOrvaneException : public Exception {
public:
  // The code is 0 for errors the frame detects itself (wrong state, unknown
  // field, bad argument) and the server's code for server errors.
  EOrvaneException(std::string message, int32_t errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  const char* ClassName() const noexcept override { return "EOrvaneException"; }

  int32_t ErrorCode;
};

// Declares an exception class derived from EOrvaneException (or from one of its
// descendants) that adds no members, as drivers do for their own errors.
#define ORV_DECLARE_ORVANE_EXCEPTION(Name, Base)                            \
  class Name : public Base {                                                \
  public:                                                                   \
    using Base::Base;                                                       \
    const char* ClassName() const noexcept override { return #Name; }       \
  }
