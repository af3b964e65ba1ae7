// The fake library's control interface looked up in the loaded fake, and the
// fixture's session handling.
#include "FakeLibrary.h"

#include <algorithm>

TFakeLibrary::TFakeLibrary(const std::string& file) {
  FHandle = LoadLibrary(FakeFolder + "/" + file);
  if (FHandle == 0) throw std::runtime_error("fake library " + file + " not loaded");
  FReset = Fn<decltype(&fake_reset)>("fake_reset");
  FScript = Fn<decltype(&fake_script)>("fake_script");
  FSetVersions = Fn<decltype(&fake_set_versions)>("fake_set_versions");
  FSetOption = Fn<decltype(&fake_set_option)>("fake_set_option");
  FGetOption = Fn<decltype(&fake_get_option)>("fake_get_option");
  FCallCount = Fn<decltype(&fake_call_count)>("fake_call_count");
  FCall = Fn<decltype(&fake_call)>("fake_call");
  FCallSqlca = Fn<decltype(&fake_call_sqlca)>("fake_call_sqlca");
  FCallProg = Fn<decltype(&fake_call_prog)>("fake_call_prog");
  FOpenSqldas = Fn<decltype(&fake_open_sqldas)>("fake_open_sqldas");
  FSetInputs = Fn<decltype(&fake_set_inputs)>("fake_set_inputs");
  FCallInputs = Fn<decltype(&fake_call_inputs)>("fake_call_inputs");
  FReset();
}

TFakeLibrary::~TFakeLibrary() { FreeLibrary(FHandle); }

template <class F>
F TFakeLibrary::Fn(const char* name) {
  void* address = GetProcAddress(FHandle, name);
  if (address == nullptr) throw std::runtime_error(std::string("fake control function missing: ") + name);
  return reinterpret_cast<F>(address);
}

std::vector<std::string> TFakeLibrary::Calls(int from, bool namesOnly) const {
  std::vector<std::string> calls;
  for (int i = from; i < Count(); ++i) {
    std::string call = Call(i);
    if (call.rfind("sqlerror_message(", 0) == 0) continue;
    if (namesOnly) call.erase(call.find('('));
    calls.push_back(call);
  }
  return calls;
}

std::vector<std::string> TFakeLibrary::CallsOf(const std::vector<std::string>& names, int from) const {
  std::vector<std::string> calls;
  for (int i = from; i < Count(); ++i) {
    std::string call = Call(i);
    std::string name = call.substr(0, call.find('('));
    if (std::find(names.begin(), names.end(), name) != names.end()) calls.push_back(call);
  }
  return calls;
}

int TFakeLibrary::Find(const std::string& prefix, int from) const {
  for (int i = from; i < Count(); ++i)
    if (Call(i).rfind(prefix, 0) == 0) return i;
  return -1;
}

void FakeTest::UseFake(const std::string& file) {
  fake = std::make_unique<TFakeLibrary>(file);
  fakeFile = file;
}

TAsaSession* FakeTest::NewSession(TAsaServerType type) {
  sessions.push_back(std::make_unique<TAsaSession>(nullptr));
  TAsaSession* s = sessions.back().get();
  s->SetLibraryPath(FakeFolder);
  s->SetLibraryFile(fakeFile);
  s->SetServerType(type);
  s->SetLoginDatabase("/data/dir/sales.db");
  s->SetLoginUser("dba");
  s->SetLoginPassword("sql");
  return s;
}

void FakeTest::Destroy(TAsaSession* session) {
  auto it = std::find_if(sessions.begin(), sessions.end(), [&](auto& p) { return p.get() == session; });
  if (it != sessions.end()) sessions.erase(it);
}

void FakeTest::TearDown() {
  while (!sessions.empty()) sessions.pop_back();
  EXPECT_EQ(LibraryReferenceCount, 0);
  EXPECT_EQ(LibraryHandle, 0u);
  EXPECT_EQ(fake->OpenSqldas(), 0) << "descriptors not given back";
  fake.reset();
}
