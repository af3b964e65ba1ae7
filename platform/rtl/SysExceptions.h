// The framework's exception hierarchy: every error the framework and the
// components raise derives from Exception, which is a std::exception.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message, int helpContext = 0)
      : FMessage(std::move(message)), FHelpContext(helpContext) {}
  ~Exception() override = default;

  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  int HelpContext() const noexcept { return FHelpContext; }
  // The class name, as the framework shows it in error boxes ("EConvertError").
  virtual const char* ClassName() const noexcept { return "Exception"; }

private:
  std::string FMessage;
  int FHelpContext;
};

#define ORV_DECLARE_EXCEPTION(Name, Base)                                   \
  class Name : public Base {                                                \
  public:                                                                   \
    using Base::Base;                                                       \
    const char* ClassName() const noexcept override { return #Name; }       \
  }

// Text that does not convert to the wanted type, and "Cannot assign a X to a Y".
ORV_DECLARE_EXCEPTION(EConvertError, Exception);
// Variant type mismatches, bad variant arrays and array bounds.
ORV_DECLARE_EXCEPTION(EVariantError, Exception);
// A list index out of bounds.
ORV_DECLARE_EXCEPTION(EListError, Exception);
// An operation that is not valid in the object's state.
ORV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
// Streams: reading past the end, a failed write, a file that cannot be opened.
ORV_DECLARE_EXCEPTION(EStreamError, Exception);
ORV_DECLARE_EXCEPTION(EReadError, EStreamError);
ORV_DECLARE_EXCEPTION(EWriteError, EStreamError);
ORV_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
ORV_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
ORV_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
// Form files: a class or property that the reader does not know, a syntax error.
ORV_DECLARE_EXCEPTION(EFilerError, EStreamError);
ORV_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
ORV_DECLARE_EXCEPTION(EMethodNotFound, EFilerError);
ORV_DECLARE_EXCEPTION(EParserError, EReadError);
// A component name that is not an identifier or is already taken.
ORV_DECLARE_EXCEPTION(EComponentError, Exception);
// A failed operating-system call (library loading and the like).
ORV_DECLARE_EXCEPTION(EOSError, Exception);
// Integer and floating-point arithmetic errors (currency arithmetic, conversions
// of numbers that do not fit).
ORV_DECLARE_EXCEPTION(EIntError, Exception);
ORV_DECLARE_EXCEPTION(EIntOverflow, EIntError);
ORV_DECLARE_EXCEPTION(EDivByZero, EIntError);
ORV_DECLARE_EXCEPTION(EMathError, Exception);
ORV_DECLARE_EXCEPTION(EInvalidOp, EMathError);
ORV_DECLARE_EXCEPTION(EZeroDivide, EMathError);
ORV_DECLARE_EXCEPTION(EOverflow, EMathError);
// A published property that does not exist or that cannot take a value.
ORV_DECLARE_EXCEPTION(EPropertyError, Exception);
// The silent exception: an operation abandoned on purpose (a dataset error
// handler that chose to abort); application handlers do not report it.
ORV_DECLARE_EXCEPTION(EAbort, Exception);
// An object that is not of the class an operation needs ("Invalid class typecast").
ORV_DECLARE_EXCEPTION(EInvalidCast, Exception);
