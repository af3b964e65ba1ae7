// TReader and TWriter: between live components and the form-file tree. The
// reader creates components from their registered classes, sets properties in
// file order, fixes up references once everything is read and then calls
// Loaded; the writer writes every stored property that differs from its default.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Classes.h"
#include "FormTree.h"
#include "Streams.h"
#include "TypInfo.h"

class TReader;
class TWriter;
class TCollection;

// What TPersistent::DefineProperties talks to: the reader or the writer.
class TFiler {
public:
  virtual ~TFiler() = default;
  // A property with its own reader and writer of values (lists, integers...).
  // The writer calls writeData only when hasData is true; writeData writes
  // exactly one value.
  virtual void DefineProperty(const std::string& name, const std::function<void(TReader&)>& readData,
                              const std::function<void(TWriter&)>& writeData, bool hasData) = 0;
  // A property of raw bytes, streamed as { hex }.
  virtual void DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>& readData,
                                    const std::function<void(TStream&)>& writeData, bool hasData) = 0;
  // The root component being read or written.
  TComponent* Root() const { return FRoot; }

protected:
  TComponent* FRoot = nullptr;
};

class TReader : public TFiler {
public:
  TReader() = default;
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // Reads the tree into root, or, with a null root, into a new component of
  // the tree's class, owned by owner. Raises EClassNotFound for a class that is
  // not registered, EReadError "Error reading X.Y: ..." for a property that
  // does not exist or a value it cannot take, EMethodNotFound for an event
  // naming a method the root does not publish. On any error everything this
  // read created is destroyed again.
  //
  // A reference names a component of the root ("Session1", nested ones as
  // "Frame1.Button1"), the root itself, or a component of a global component
  // ("DataModule1.Session1", see RegisterFindGlobalComponent). A reference
  // that names none of them is an error here: a form is read after the forms
  // and data modules it refers to, instead of waiting for them to appear.
  // At design time (csDesigning on the root) an event naming a method the
  // root does not publish keeps the name without a handler.
  TComponent* ReadRootComponent(const TFormObject& tree, TComponent* root, TComponent* owner);

  // Value access for DefineProperty readers, on the current property's value.
  TValueType NextValue() const;
  const TFormValue& ReadValue();
  int64_t ReadInteger();
  double ReadFloat();
  std::string ReadString();
  bool ReadBoolean();
  std::string ReadIdent();
  char ReadChar();
  void ReadListBegin();
  void ReadListEnd();
  bool EndOfList() const;

  void DefineProperty(const std::string& name, const std::function<void(TReader&)>& readData,
                      const std::function<void(TWriter&)>& writeData, bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>& readData,
                            const std::function<void(TStream&)>& writeData, bool hasData) override;

private:
  struct TFixup {
    TObject* Instance;
    const TPropInfo* Prop;
    std::string Reference;
    std::string Component;  // for the error message: "Component.Path"
    std::string Path;
    int Line;
  };
  struct TListFrame {
    const std::vector<TFormValue>* Items;
    size_t Index;
  };
  TComponent* CreateComponent(const std::string& className, TComponent* owner);
  void ReadChild(const TFormObject& object, TComponent* parent);
  void ReadProperties(TComponent* component, const std::vector<TFormProperty>& properties);
  void ReadProperty(TObject* instance, const TFormProperty& property);
  void ReadPropValue(TObject* instance, const TPropInfo& prop);
  void ReadCollection(TCollection* collection, const TFormValue& value);
  TComponent* FindReference(const std::string& reference) const;
  void FixupReferences();
  [[noreturn]] void ValueError() const;
  void BeginValue(const TFormValue& value);
  bool ValueConsumed() const;

  std::vector<TComponent*> FCreated;  // in creation order, destroyed on failure
  std::vector<TComponent*> FLoaded;   // every component read, in reading order
  std::vector<TFixup> FFixups;

  // The property being read: its value, the unread part of it, and where it
  // came from for error messages.
  const TFormValue* FValue = nullptr;
  bool FValueRead = false;
  std::vector<TListFrame> FLists;
  std::string FPropName;
  bool FPropHandled = false;
  // Where the property being read sits, for error messages: the component,
  // the property path (with collection items as "Items[2].Name") and the line.
  std::string FCompName;
  std::string FPathPrefix;
  std::string FPath;
  int FLine = 0;
  int FDepth = 0;
};

class TWriter : public TFiler {
public:
  TWriter() = default;
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  // The tree of root: its stored, non-default properties, the data its
  // DefineProperties declares, and its children (GetChildren) nested.
  TFormObject WriteRootComponent(TComponent* root);

  // Value writing for DefineProperty writers: one value, or a list of them.
  void WriteValue(TFormValue value);
  void WriteInteger(int64_t value);
  void WriteFloat(double value);
  void WriteString(const std::string& value);
  void WriteBoolean(bool value);
  void WriteIdent(const std::string& ident);
  void WriteChar(char value);
  void WriteListBegin();
  void WriteListEnd();

  void DefineProperty(const std::string& name, const std::function<void(TReader&)>& readData,
                      const std::function<void(TWriter&)>& writeData, bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>& readData,
                            const std::function<void(TStream&)>& writeData, bool hasData) override;

private:
  TFormObject WriteComponent(TComponent* component);
  void WriteProperties(TPersistent* instance, const std::string& prefix);
  void WriteProperty(TPersistent* instance, const TPropInfo& prop, const std::string& prefix);
  TFormValue CollectionValue(TCollection* collection);
  std::string ReferenceName(TComponent* component) const;
  void AddProperty(std::string name, TFormValue value);

  std::vector<TFormProperty>* FProperties = nullptr;
  std::string FPrefix;
  // The value a DefineProperty writer is building.
  TFormValue FValue;
  int FValueCount = 0;
  std::vector<TFormValue*> FLists;
  int FDepth = 0;
};

// Components outside the form being read or written that references may name
// as "Root.Component" (other forms and data modules). A lookup returns the
// global component of that name or null.
using TFindGlobalComponent = std::function<TComponent*(const std::string& name)>;
int RegisterFindGlobalComponent(TFindGlobalComponent lookup);
void UnregisterFindGlobalComponent(int id);
TComponent* FindGlobalComponent(const std::string& name);
