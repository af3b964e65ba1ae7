// TReader and TWriter over the form-file tree, and the lookup of global
// components for references across forms.
#include "Filer.h"

#include <algorithm>
#include <mutex>

#include "AnsiStrings.h"
#include "ClassRegistry.h"
#include "Collections.h"
#include "Conversions.h"
#include "Format.h"
#include "RtlConsts.h"

// ---- global components -----------------------------------------------------

namespace {
struct TGlobalLookups {
  std::mutex Lock;
  std::vector<std::pair<int, TFindGlobalComponent>> Items;
  int NextId = 1;
};
TGlobalLookups& GlobalLookups() {
  static TGlobalLookups lookups;
  return lookups;
}
}  // namespace

int RegisterFindGlobalComponent(TFindGlobalComponent lookup) {
  TGlobalLookups& g = GlobalLookups();
  std::lock_guard<std::mutex> guard(g.Lock);
  int id = g.NextId++;
  g.Items.emplace_back(id, std::move(lookup));
  return id;
}

void UnregisterFindGlobalComponent(int id) {
  TGlobalLookups& g = GlobalLookups();
  std::lock_guard<std::mutex> guard(g.Lock);
  std::erase_if(g.Items, [id](const auto& item) { return item.first == id; });
}

TComponent* FindGlobalComponent(const std::string& name) {
  std::vector<TFindGlobalComponent> lookups;
  {
    TGlobalLookups& g = GlobalLookups();
    std::lock_guard<std::mutex> guard(g.Lock);
    for (const auto& item : g.Items) lookups.push_back(item.second);
  }
  for (const auto& lookup : lookups)
    if (TComponent* c = lookup(name)) return c;
  return nullptr;
}

// ---- text of string values -------------------------------------------------

namespace {

// Windows-1252 for a Unicode code point: the page's own characters, '?' for
// the rest. Strings are 8-bit ANSI inside the framework.
char AnsiFromCodePoint(uint32_t cp) {
  static const std::pair<uint16_t, uint8_t> table[] = {
      {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
      {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
      {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
      {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
      {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  // The five bytes that the code page leaves unassigned map to themselves.
  if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D) return static_cast<char>(cp);
  for (const auto& [u, a] : table)
    if (u == cp) return static_cast<char>(a);
  return '?';
}

std::string AnsiFromUtf16(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    out += AnsiFromCodePoint(cp);
  }
  return out;
}

std::string AnsiFromUtf8(const std::string& s) {
  std::string out;
  size_t i = 0, n = s.size();
  while (i < n) {
    auto b = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t len;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07;
      len = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    bool ok = i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += AnsiFromCodePoint(cp);
    i += len;
  }
  return out;
}

bool IsIntValue(const TFormValue& v) {
  return v.Type == vaInt8 || v.Type == vaInt16 || v.Type == vaInt32 || v.Type == vaInt64;
}

bool IsStringValue(const TFormValue& v) {
  return v.Type == vaString || v.Type == vaLString || v.Type == vaWString || v.Type == vaUTF8String;
}

std::string StringOf(const TFormValue& v) {
  if (v.Type == vaWString) return AnsiFromUtf16(v.WStr);
  if (v.Type == vaUTF8String) return AnsiFromUtf8(v.Str);
  return v.Str;
}

bool FloatOf(const TFormValue& v, double& out) {
  switch (v.Type) {
    case vaExtended:
      out = static_cast<double>(FormExtendedToLongDouble(v.Extended));
      return true;
    case vaSingle:
    case vaDouble:
    case vaDate:
      out = v.Float;
      return true;
    case vaCurrency:
      out = static_cast<double>(v.Int) / 10000.0;
      return true;
    default:
      if (IsIntValue(v)) {
        out = static_cast<double>(v.Int);
        return true;
      }
      return false;
  }
}

std::vector<std::string> SplitDots(const std::string& name) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (true) {
    size_t dot = name.find('.', i);
    parts.push_back(name.substr(i, dot == std::string::npos ? std::string::npos : dot - i));
    if (dot == std::string::npos) break;
    i = dot + 1;
  }
  return parts;
}

TComponent* FindNested(TComponent* base, const std::vector<std::string>& parts, size_t from) {
  for (size_t i = from; base != nullptr && i < parts.size(); ++i) base = base->FindComponent(parts[i]);
  return base;
}

}  // namespace

// ---- TReader ---------------------------------------------------------------

void TReader::ValueError() const { throw EReadError(SInvalidPropertyValue); }

void TReader::BeginValue(const TFormValue& value) {
  FValue = &value;
  FValueRead = false;
  FLists.clear();
}

bool TReader::ValueConsumed() const { return FValueRead && FLists.empty(); }

TValueType TReader::NextValue() const {
  if (!FLists.empty()) {
    const TListFrame& f = FLists.back();
    return f.Index < f.Items->size() ? (*f.Items)[f.Index].Type : vaNull;
  }
  return FValue != nullptr && !FValueRead ? FValue->Type : vaNull;
}

const TFormValue& TReader::ReadValue() {
  if (!FLists.empty()) {
    TListFrame& f = FLists.back();
    if (f.Index >= f.Items->size()) ValueError();
    return (*f.Items)[f.Index++];
  }
  if (FValue == nullptr || FValueRead) ValueError();
  FValueRead = true;
  return *FValue;
}

int64_t TReader::ReadInteger() {
  const TFormValue& v = ReadValue();
  if (!IsIntValue(v)) ValueError();
  return v.Int;
}

double TReader::ReadFloat() {
  double d;
  if (!FloatOf(ReadValue(), d)) ValueError();
  return d;
}

std::string TReader::ReadString() {
  const TFormValue& v = ReadValue();
  if (!IsStringValue(v)) ValueError();
  return StringOf(v);
}

bool TReader::ReadBoolean() {
  const TFormValue& v = ReadValue();
  if (v.Type != vaTrue && v.Type != vaFalse) ValueError();
  return v.Type == vaTrue;
}

std::string TReader::ReadIdent() {
  const TFormValue& v = ReadValue();
  switch (v.Type) {
    case vaIdent:
      return v.Str;
    case vaTrue:
      return "True";
    case vaFalse:
      return "False";
    case vaNil:
      return "nil";
    default:
      ValueError();
  }
}

char TReader::ReadChar() {
  const TFormValue& v = ReadValue();
  if (IsStringValue(v)) {
    std::string s = StringOf(v);
    if (s.size() == 1) return s[0];
  } else if (IsIntValue(v) && v.Int >= 0 && v.Int <= 255) {
    return static_cast<char>(v.Int);
  }
  ValueError();
}

void TReader::ReadListBegin() {
  const TFormValue& v = ReadValue();
  if (v.Type != vaList) ValueError();
  FLists.push_back(TListFrame{&v.List, 0});
}

bool TReader::EndOfList() const {
  if (FLists.empty()) return true;
  const TListFrame& f = FLists.back();
  return f.Index >= f.Items->size();
}

void TReader::ReadListEnd() {
  if (FLists.empty() || !EndOfList()) ValueError();
  FLists.pop_back();
}

void TReader::DefineProperty(const std::string& name, const std::function<void(TReader&)>& readData,
                             const std::function<void(TWriter&)>&, bool) {
  if (FPropHandled || !readData || !SameText(name, FPropName)) return;
  FPropHandled = true;
  readData(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>& readData,
                                   const std::function<void(TStream&)>&, bool) {
  if (FPropHandled || !readData || !SameText(name, FPropName)) return;
  FPropHandled = true;
  const TFormValue& v = ReadValue();
  if (v.Type != vaBinary) ValueError();
  TMemoryStream stream;
  if (!v.Str.empty()) stream.WriteBuffer(v.Str.data(), static_cast<int64_t>(v.Str.size()));
  stream.SetPosition(0);
  readData(stream);
}

TComponent* TReader::CreateComponent(const std::string& className, TComponent* owner) {
  TClass cls = FindClass(className);
  if (!cls->InheritsFrom(TComponent::StaticClass()) || cls->CreateComponent == nullptr)
    throw EReadError(Format("Class %s is not a component class that can be created", className));
  TComponent* c;
  TComponent::SetCreatingForLoad(true);
  try {
    c = cls->CreateComponent(owner);
  } catch (...) {
    TComponent::SetCreatingForLoad(false);
    throw;
  }
  TComponent::SetCreatingForLoad(false);
  FCreated.push_back(c);
  // A constructor that did not reach TComponent's (it cannot, but a factory
  // might hand back an existing object) still reads in the loading state.
  c->SetState(csLoading, true);
  c->SetState(csReading, true);
  return c;
}

TComponent* TReader::ReadRootComponent(const TFormObject& tree, TComponent* root, TComponent* owner) {
  FCreated.clear();
  FLoaded.clear();
  FFixups.clear();
  FDepth = 0;
  try {
    if (root == nullptr) {
      root = CreateComponent(tree.ClassName, owner);
    } else {
      root->SetState(csLoading, true);
      root->SetState(csReading, true);
    }
    FRoot = root;
    FLoaded.push_back(root);
    if (!tree.Name.empty() && root->Name() != tree.Name) {
      // A second instance of a form read at run time gets "Name_1", "Name_2"...
      std::string name = tree.Name;
      TComponent* scope = root->Owner();
      if (scope != nullptr && !root->ComponentState().Contains(csDesigning)) {
        for (int i = 1; scope->FindComponent(name) != nullptr && scope->FindComponent(name) != root; ++i)
          name = tree.Name + "_" + IntToStr(i);
      }
      root->SetName(name);
    }
    ReadProperties(root, tree.Properties);
    for (const TFormObject& child : tree.Children) ReadChild(child, root);
    FixupReferences();
    for (TComponent* c : FLoaded) c->SetState(csReading, false);
    for (TComponent* c : FLoaded) c->Loaded();
    for (TComponent* c : FLoaded) c->SetState(csLoading, false);
  } catch (...) {
    for (TComponent* c : FLoaded)
      if (std::find(FCreated.begin(), FCreated.end(), c) == FCreated.end()) {
        c->SetState(csReading, false);
        c->SetState(csLoading, false);
      }
    // Children were created after their owners: the last created goes first,
    // so that no component is destroyed twice.
    for (size_t i = FCreated.size(); i-- > 0;) delete FCreated[i];
    FCreated.clear();
    FLoaded.clear();
    FFixups.clear();
    FRoot = nullptr;
    throw;
  }
  FCreated.clear();
  FLoaded.clear();
  return root;
}

void TReader::ReadChild(const TFormObject& object, TComponent* parent) {
  // Trees from the parsers are already limited; a tree built in code is not.
  struct TDepth {
    int& Depth;
    explicit TDepth(int& d) : Depth(d) {
      if (++Depth > FormMaxDepth) throw EReadError("Objects nest too deep");
    }
    ~TDepth() { --Depth; }
  } depth(FDepth);
  TComponent* owner = parent->GetChildOwner();
  if (owner == nullptr) owner = FRoot;
  TComponent* c = nullptr;
  // An inherited or inline object names a component that already exists.
  if (object.Kind != fokObject && !object.Name.empty()) c = owner->FindComponent(object.Name);
  if (c != nullptr) {
    c->SetState(csLoading, true);
    c->SetState(csReading, true);
  } else {
    c = CreateComponent(object.ClassName, owner);
  }
  FLoaded.push_back(c);
  if (object.Kind == fokInline) c->SetInline(true);
  c->SetParentComponent(parent);
  if (!object.Name.empty() && c->Name() != object.Name) c->SetName(object.Name);
  ReadProperties(c, object.Properties);
  for (const TFormObject& child : object.Children) ReadChild(child, c);
}

void TReader::ReadProperties(TComponent* component, const std::vector<TFormProperty>& properties) {
  for (const TFormProperty& property : properties) {
    FCompName = component->Name().empty() ? component->ClassName() : component->Name();
    const std::string& compName = FCompName;
    FPathPrefix.clear();
    FLine = property.Line;
    auto context = [&](const std::string& message) {
      std::string text = Format(SReadingProperty, compName, FPath, message);
      if (FLine > 0) text += Format(" on line %d", FLine);
      return text;
    };
    try {
      ReadProperty(component, property);
    } catch (const EMethodNotFound& e) {
      throw EMethodNotFound(context(e.Message()));
    } catch (const Exception& e) {
      throw EReadError(context(e.Message()));
    }
  }
}

void TReader::ReadProperty(TObject* instance, const TFormProperty& property) {
  FPath = FPathPrefix + property.Name;
  if (property.Line > 0) FLine = property.Line;
  std::vector<std::string> parts = SplitDots(property.Name);
  TObject* target = instance;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const TPropInfo* info = GetPropInfo(target, parts[i]);
    if (info == nullptr || info->Kind != tkClass) throw EReadError(Format(SUnknownProperty, parts[i]));
    target = info->GetObject(*target);
    if (target == nullptr) throw EReadError(SInvalidPropertyPath);
    // A sub-component read through its holder's property loads like the
    // components of the file: loading state, then Loaded with the others.
    if (auto* sub = dynamic_cast<TComponent*>(target);
        sub != nullptr && std::find(FLoaded.begin(), FLoaded.end(), sub) == FLoaded.end()) {
      sub->SetState(csLoading, true);
      sub->SetState(csReading, true);
      FLoaded.push_back(sub);
    }
  }
  BeginValue(property.Value);
  FPropName = parts.back();
  FPropHandled = false;
  if (const TPropInfo* info = GetPropInfo(target, FPropName)) {
    ReadPropValue(target, *info);
  } else {
    if (auto* persistent = dynamic_cast<TPersistent*>(target)) persistent->DefineProperties(*this);
    if (!FPropHandled) throw EReadError(Format(SUnknownProperty, FPropName));
  }
  // Every value of the property must have been taken: a reader that stops
  // early would lose the rest silently.
  if (!ValueConsumed()) ValueError();
  FValue = nullptr;
}

void TReader::ReadPropValue(TObject* instance, const TPropInfo& prop) {
  const TFormValue& v = ReadValue();
  auto needSetter = [&](bool has) {
    if (!has) throw EReadError(Format(SPropertyReadOnly, prop.Name));
  };
  switch (prop.Kind) {
    case tkInteger:
    case tkInt64:
      if (!IsIntValue(v)) ValueError();
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(*instance, v.Int);
      break;
    case tkChar: {
      int64_t c = -1;
      if (IsStringValue(v)) {
        std::string s = StringOf(v);
        if (s.size() == 1) c = static_cast<unsigned char>(s[0]);
      } else if (IsIntValue(v) && v.Int >= 0 && v.Int <= 255) {
        c = v.Int;
      }
      if (c < 0) ValueError();
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(*instance, c);
      break;
    }
    case tkBoolean:
      if (v.Type != vaTrue && v.Type != vaFalse) ValueError();
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(*instance, v.Type == vaTrue ? 1 : 0);
      break;
    case tkEnumeration: {
      int value = -1;
      if (v.Type == vaIdent) value = prop.EnumType->ValueOf(v.Str);
      if (v.Type == vaTrue || v.Type == vaFalse) value = prop.EnumType->ValueOf(v.Type == vaTrue ? "True" : "False");
      if (value < 0) ValueError();
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(*instance, value);
      break;
    }
    case tkSet: {
      if (v.Type != vaSet) ValueError();
      uint64_t bits = 0;
      for (const std::string& literal : v.Set) {
        int value = prop.EnumType->ValueOf(literal);
        if (value < 0 || value >= 64) ValueError();
        bits |= uint64_t{1} << value;
      }
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(*instance, static_cast<int64_t>(bits));
      break;
    }
    case tkFloat: {
      double d;
      if (!FloatOf(v, d)) ValueError();
      needSetter(static_cast<bool>(prop.SetFloat));
      prop.SetFloat(*instance, d);
      break;
    }
    case tkString:
      if (!IsStringValue(v)) ValueError();
      needSetter(static_cast<bool>(prop.SetStr));
      prop.SetStr(*instance, StringOf(v));
      break;
    case tkClass:
      if (v.Type == vaCollection) {
        auto* collection = dynamic_cast<TCollection*>(prop.GetObject(*instance));
        if (collection == nullptr) ValueError();
        ReadCollection(collection, v);
      } else if (v.Type == vaNil) {
        needSetter(static_cast<bool>(prop.SetObject));
        prop.SetObject(*instance, nullptr);
      } else {
        ValueError();
      }
      break;
    case tkComponent:
      if (v.Type == vaNil) {
        needSetter(static_cast<bool>(prop.SetObject));
        prop.SetObject(*instance, nullptr);
      } else if (v.Type == vaIdent) {
        needSetter(static_cast<bool>(prop.SetObject));
        // Resolved once the whole file is read: the component may come later.
        FFixups.push_back(TFixup{instance, &prop, v.Str, FCompName, FPath, FLine});
      } else {
        ValueError();
      }
      break;
    case tkMethod: {
      auto* persistent = dynamic_cast<TPersistent*>(instance);
      if (v.Type == vaNil) {
        prop.SetMethod(*instance, nullptr);
        if (persistent) persistent->SetStreamedMethodName(prop.Name, {});
        break;
      }
      if (v.Type != vaIdent) ValueError();
      const std::any* method = FRoot->MethodAddress(v.Str);
      if (method != nullptr) {
        prop.SetMethod(*instance, method);
      } else if (!FRoot->ComponentState().Contains(csDesigning)) {
        throw EMethodNotFound(Format(SMethodNotFound, v.Str));
      }
      // At design time a method the root does not publish yet keeps its name.
      if (persistent) persistent->SetStreamedMethodName(prop.Name, v.Str);
      break;
    }
    default:
      ValueError();
  }
}

void TReader::ReadCollection(TCollection* collection, const TFormValue& value) {
  // The collection's items are read with this reader's own value state; the
  // state of the property that holds the collection comes back afterwards.
  const TFormValue* savedValue = FValue;
  bool savedRead = FValueRead;
  std::vector<TListFrame> savedLists = FLists;
  std::string savedName = FPropName;
  std::string savedPrefix = FPathPrefix;
  std::string base = FPath;
  if (FDepth + 1 > FormMaxDepth) throw EReadError("Objects nest too deep");
  ++FDepth;
  // A collection read a second time drops its earlier items: references
  // waiting to be set on them (or on their sub-objects) go with them.
  std::erase_if(FFixups, [collection](const TFixup& f) {
    for (auto* p = dynamic_cast<TPersistent*>(f.Instance); p != nullptr; p = p->GetOwner()) {
      auto* item = dynamic_cast<TCollectionItem*>(p);
      if (item != nullptr && item->Collection() == collection) return true;
    }
    return false;
  });
  collection->BeginUpdate();
  try {
    collection->Clear();
    for (size_t i = 0; i < value.Items.size(); ++i) {
      TCollectionItem* item = collection->Add();
      for (const TFormProperty& p : value.Items[i].Properties) {
        FPathPrefix = base + "[" + IntToStr(static_cast<int64_t>(i)) + "].";
        ReadProperty(item, p);
      }
    }
  } catch (...) {
    --FDepth;
    collection->EndUpdate();
    throw;
  }
  --FDepth;
  collection->EndUpdate();
  FValue = savedValue;
  FValueRead = savedRead;
  FLists = std::move(savedLists);
  FPropName = savedName;
  FPathPrefix = savedPrefix;
  FPath = base;
}

TComponent* TReader::FindReference(const std::string& reference) const {
  std::vector<std::string> parts = SplitDots(reference);
  for (const std::string& part : parts)
    if (part.empty()) return nullptr;  // "", "a..b", ".a": never a component, not even an unnamed root
  if (TComponent* c = FindNested(FRoot, parts, 0)) return c;
  if (SameText(parts[0], FRoot->Name())) {
    if (parts.size() == 1) return FRoot;
    if (TComponent* c = FindNested(FRoot, parts, 1)) return c;
  }
  if (TComponent* global = FindGlobalComponent(parts[0])) return FindNested(global, parts, 1);
  return nullptr;
}

void TReader::FixupReferences() {
  for (const TFixup& f : FFixups) {
    auto fail = [&](const std::string& message) -> EReadError {
      std::string text = Format(SReadingProperty, f.Component, f.Path, message);
      if (f.Line > 0) text += Format(" on line %d", f.Line);
      return EReadError(text);
    };
    TComponent* target = FindReference(f.Reference);
    if (target == nullptr) throw fail(Format(SUnresolvedReference, f.Reference));
    try {
      f.Prop->SetObject(*f.Instance, target);
    } catch (const Exception& e) {
      throw fail(e.Message());
    }
  }
  FFixups.clear();
}

// ---- TWriter ---------------------------------------------------------------

TFormObject TWriter::WriteRootComponent(TComponent* root) {
  if (root == nullptr) throw EWriteError("Cannot write a nil component");
  FRoot = root;
  FDepth = 0;
  TFormObject tree = WriteComponent(root);
  FRoot = nullptr;
  return tree;
}

TFormObject TWriter::WriteComponent(TComponent* component) {
  TFormObject object;
  object.Name = component->Name();
  object.ClassName = component->ClassName();
  if (component->ComponentState().Contains(csInline)) object.Kind = fokInline;
  bool wasWriting = component->ComponentState().Contains(csWriting);
  component->SetState(csWriting, true);
  std::vector<TFormProperty>* saved = FProperties;
  try {
    FProperties = &object.Properties;
    WriteProperties(component, "");
    FProperties = saved;
    component->GetChildren([&](TComponent* child) { object.Children.push_back(WriteComponent(child)); }, FRoot);
  } catch (...) {
    FProperties = saved;
    component->SetState(csWriting, wasWriting);
    throw;
  }
  component->SetState(csWriting, wasWriting);
  return object;
}

void TWriter::WriteProperties(TPersistent* instance, const std::string& prefix) {
  // A sub-object that holds its holder again would nest without end.
  if (++FDepth > FormMaxDepth) throw EWriteError("Sub-objects nest too deep to be written");
  for (const TPropInfo& prop : GetPropList(instance))
    if (prop.Stored(*instance)) WriteProperty(instance, prop, prefix);
  std::string savedPrefix = FPrefix;
  FPrefix = prefix;
  instance->DefineProperties(*this);
  FPrefix = savedPrefix;
  --FDepth;
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& prop, const std::string& prefix) {
  std::string name = prefix + prop.Name;
  switch (prop.Kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkBoolean:
    case tkEnumeration:
    case tkSet: {
      int64_t v = prop.GetOrd(*instance);
      if (prop.HasDefault && v == prop.Default) return;
      if (prop.Kind == tkBoolean) {
        AddProperty(name, FormBoolValue(v != 0));
      } else if (prop.Kind == tkEnumeration) {
        AddProperty(name, FormIdentValue(prop.EnumType->NameOf(v)));
      } else if (prop.Kind == tkSet) {
        std::vector<std::string> literals;
        for (size_t i = 0; i < prop.EnumType->Names.size() && i < 64; ++i)
          if (static_cast<uint64_t>(v) & (uint64_t{1} << i)) literals.push_back(prop.EnumType->Names[i]);
        AddProperty(name, FormSetValue(std::move(literals)));
      } else if (prop.Kind == tkChar) {
        AddProperty(name, FormStringValue(std::string(1, static_cast<char>(v))));
      } else {
        AddProperty(name, FormIntValue(v));
      }
      return;
    }
    case tkFloat: {
      double v = prop.GetFloat(*instance);
      if (v != 0) AddProperty(name, FormExtendedValue(v));
      return;
    }
    case tkString: {
      std::string v = prop.GetStr(*instance);
      if (!v.empty()) AddProperty(name, FormStringValue(std::move(v)));
      return;
    }
    case tkClass: {
      TObject* object = prop.GetObject(*instance);
      if (object == nullptr) return;
      if (auto* collection = dynamic_cast<TCollection*>(object)) {
        AddProperty(name, CollectionValue(collection));
      } else if (auto* persistent = dynamic_cast<TPersistent*>(object)) {
        WriteProperties(persistent, name + ".");
      }
      return;
    }
    case tkComponent: {
      auto* component = dynamic_cast<TComponent*>(prop.GetObject(*instance));
      if (component != nullptr) AddProperty(name, FormIdentValue(ReferenceName(component)));
      return;
    }
    case tkMethod: {
      if (!prop.MethodAssigned(*instance)) return;
      // A handler assigned in code has no method name and cannot be written.
      std::string method = instance->StreamedMethodName(prop.Name);
      if (!method.empty()) AddProperty(name, FormIdentValue(method));
      return;
    }
    default:
      return;
  }
}

TFormValue TWriter::CollectionValue(TCollection* collection) {
  TFormValue value;
  value.Type = vaCollection;
  std::vector<TFormProperty>* saved = FProperties;
  try {
    for (int i = 0; i < collection->Count(); ++i) {
      value.Items.emplace_back();
      FProperties = &value.Items.back().Properties;
      WriteProperties(collection->Items(i), "");
    }
  } catch (...) {
    FProperties = saved;
    throw;
  }
  FProperties = saved;
  return value;
}

std::string TWriter::ReferenceName(TComponent* component) const {
  auto unnamed = [&]() {
    return EWriteError(Format("Cannot write a reference to a component without a name (%s)", component->ClassName()));
  };
  std::vector<TComponent*> chain;
  for (TComponent* c = component; c != nullptr; c = c->Owner()) chain.push_back(c);
  auto join = [&](size_t top) {
    std::string path;
    for (size_t i = top + 1; i-- > 0;) {
      if (chain[i]->Name().empty()) throw unnamed();
      if (!path.empty()) path += '.';
      path += chain[i]->Name();
    }
    return path;
  };
  if (component == FRoot) {
    if (component->Name().empty()) throw unnamed();
    return component->Name();
  }
  auto rootAt = std::find(chain.begin(), chain.end(), FRoot);
  if (rootAt != chain.end()) return join(static_cast<size_t>(rootAt - chain.begin()) - 1);
  for (size_t i = 0; i < chain.size(); ++i)
    if (!chain[i]->Name().empty() && FindGlobalComponent(chain[i]->Name()) == chain[i]) return join(i);
  throw EWriteError(Format("Cannot write a reference to %s: it is neither in %s nor in a global component",
                           component->Name(), FRoot->Name()));
}

void TWriter::AddProperty(std::string name, TFormValue value) {
  TFormProperty p;
  p.Name = std::move(name);
  p.Value = std::move(value);
  FProperties->push_back(std::move(p));
}

void TWriter::WriteValue(TFormValue value) {
  if (!FLists.empty()) {
    FLists.back()->List.push_back(std::move(value));
  } else {
    FValue = std::move(value);
    ++FValueCount;
  }
}

void TWriter::WriteInteger(int64_t value) { WriteValue(FormIntValue(value)); }
void TWriter::WriteFloat(double value) { WriteValue(FormExtendedValue(value)); }
void TWriter::WriteString(const std::string& value) { WriteValue(FormStringValue(value)); }
void TWriter::WriteBoolean(bool value) { WriteValue(FormBoolValue(value)); }
void TWriter::WriteIdent(const std::string& ident) { WriteValue(FormIdentValue(ident)); }
void TWriter::WriteChar(char value) { WriteValue(FormStringValue(std::string(1, value))); }

void TWriter::WriteListBegin() {
  TFormValue list;
  list.Type = vaList;
  if (FLists.empty()) {
    FValue = std::move(list);
    ++FValueCount;
    FLists.push_back(&FValue);
  } else {
    // The enclosing list does not grow while this one is open, so the pointer holds.
    FLists.back()->List.push_back(std::move(list));
    FLists.push_back(&FLists.back()->List.back());
  }
}

void TWriter::WriteListEnd() {
  if (FLists.empty()) throw EWriteError("WriteListEnd without WriteListBegin");
  FLists.pop_back();
}

void TWriter::DefineProperty(const std::string& name, const std::function<void(TReader&)>&,
                             const std::function<void(TWriter&)>& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  FValue = TFormValue();
  FValueCount = 0;
  FLists.clear();
  writeData(*this);
  if (FValueCount != 1 || !FLists.empty())
    throw EWriteError(Format("Property %s must write exactly one value", name));
  AddProperty(FPrefix + name, std::move(FValue));
  FValue = TFormValue();
}

void TWriter::DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>&,
                                   const std::function<void(TStream&)>& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream stream;
  writeData(stream);
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  if (!bytes.empty()) {
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  AddProperty(FPrefix + name, FormBinaryValue(std::move(bytes)));
}
