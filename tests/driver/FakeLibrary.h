// Test support for the driver's call-protocol tests: one variant of the fake
// Embedded SQL library held loaded by the test (so its record of calls
// outlives the sessions), its control functions, and sessions pointed at it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeControl.h"
#include "LibraryLoader.h"
#include "OrvAsa.h"

inline const std::string FakeFolder = std::string(ORV_BINARY_DIR) + "/lib/fakes";

// One loaded fake and its control interface.
class TFakeLibrary {
public:
  explicit TFakeLibrary(const std::string& file);
  ~TFakeLibrary();
  TFakeLibrary(const TFakeLibrary&) = delete;
  TFakeLibrary& operator=(const TFakeLibrary&) = delete;

  void Reset() { FReset(); }
  void Script(const char* entry, int code, const char* message = "", const char* state = "00000",
              int result = 1, int count = 0) {
    FScript(entry, code, message, state, result, count);
  }
  void SetVersions(unsigned mask) { FSetVersions(mask); }
  void SetOption(const char* name, const char* value) { FSetOption(name, value); }
  std::string Option(const char* name) const {
    const char* v = FGetOption(name);
    return v ? v : "<unset>";
  }
  int OpenSqldas() const { return FOpenSqldas(); }
  void SetInputs(const char* entries) { FSetInputs(entries); }
  // The input descriptor call i sent, "<none>" for a call without one.
  std::string Inputs(int i) const {
    const char* v = FCallInputs(i);
    return v ? v : "<none>";
  }
  int Count() const { return FCallCount(); }
  const void* Sqlca(int i) const { return FCallSqlca(i); }
  const void* Prog(int i) const { return FCallProg(i); }
  std::string Call(int i) const { return FCall(i); }
  // The calls from index `from` on, leaving out the message lookups of Check
  // (and, with namesOnly, the arguments).
  std::vector<std::string> Calls(int from = 0, bool namesOnly = false) const;
  // The calls from `from` on whose names are in `names`.
  std::vector<std::string> CallsOf(const std::vector<std::string>& names, int from = 0) const;
  // The index of the first call from `from` on that starts with `prefix`, or -1.
  int Find(const std::string& prefix, int from = 0) const;
  HMODULE Handle() const { return FHandle; }

private:
  template <class F>
  F Fn(const char* name);
  HMODULE FHandle = 0;
  decltype(&fake_reset) FReset;
  decltype(&fake_script) FScript;
  decltype(&fake_set_versions) FSetVersions;
  decltype(&fake_set_option) FSetOption;
  decltype(&fake_get_option) FGetOption;
  decltype(&fake_call_count) FCallCount;
  decltype(&fake_call) FCall;
  decltype(&fake_call_sqlca) FCallSqlca;
  decltype(&fake_call_prog) FCallProg;
  decltype(&fake_open_sqldas) FOpenSqldas;
  decltype(&fake_set_inputs) FSetInputs;
  decltype(&fake_call_inputs) FCallInputs;
};

// A fixture with the long-form fake loaded and sessions on it. Every session
// is destroyed before the fake is released, and the driver must then hold no
// library any more.
class FakeTest : public ::testing::Test {
protected:
  void SetUp() override { UseFake("libfakedblib6.so"); }
  void TearDown() override;
  // Loads another variant for this test (before any session loads).
  void UseFake(const std::string& file);
  // A session on the current fake, reaching stClient by default so that a
  // connect is one call; owned by the fixture.
  TAsaSession* NewSession(TAsaServerType type = stClient);
  void Destroy(TAsaSession* session);

  std::unique_ptr<TFakeLibrary> fake;
  std::string fakeFile;
  std::vector<std::unique_ptr<TAsaSession>> sessions;
};
