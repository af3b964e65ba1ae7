// Fuzzes the component reader on text forms of the test classes: a form that
// reads must write, read back and write the same text again; a form that does
// not read must leave no component behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "ComponentStreaming.h"
#include "FormText.h"
#include "TestComponents.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "component reader: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterTestClasses(), true);
  (void)registered;
  TestLog().clear();

  TFormObject tree;
  try {
    tree = ParseFormText(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    return 0;
  }

  std::string written;
  auto owner = std::make_unique<TComponent>(nullptr);
  try {
    TComponent* root = ReadComponentFromTree(tree, nullptr, owner.get());
    written = FormTextToString(WriteComponentToTree(root));
  } catch (const Exception&) {
    if (owner->ComponentCount() != 0) Fail("a failed read left a component behind");
    return 0;
  }

  auto again = std::make_unique<TComponent>(nullptr);
  std::string rewritten;
  try {
    rewritten = FormTextToString(WriteComponentToTree(ReadComponentFromText(written, nullptr, again.get())));
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n%s\n", e.what(), written.c_str());
    Fail("what was written does not read back");
  }
  if (rewritten != written) Fail("the written form changed on a second round trip");
  return 0;
}
