// Reading and writing whole components through the form-file tree.
#include "ComponentStreaming.h"

#include "Filer.h"
#include "FormBinary.h"
#include "ObjectConvert.h"

TComponent* ReadComponentFromTree(const TFormObject& tree, TComponent* root, TComponent* owner) {
  TReader reader;
  return reader.ReadRootComponent(tree, root, owner);
}

TFormObject WriteComponentToTree(TComponent* component) {
  TWriter writer;
  return writer.WriteRootComponent(component);
}

TComponent* ReadComponentFromText(std::string_view text, TComponent* root, TComponent* owner) {
  return ReadComponentFromTree(ParseFormText(text), root, owner);
}

std::string WriteComponentToText(TComponent* component, TFormLineBreak lineBreak) {
  return FormTextToString(WriteComponentToTree(component), lineBreak);
}

TComponent* ReadComponentFromStream(TStream& stream, TComponent* root, TComponent* owner) {
  return ReadComponentFromTree(ReadFormTree(stream), root, owner);
}

void WriteComponentToStream(TStream& stream, TComponent* component, bool resourceHeader) {
  TFormObject tree = WriteComponentToTree(component);
  if (resourceHeader)
    WriteFormResource(stream, tree);
  else
    WriteFormBinary(stream, tree);
}

TComponent* ReadComponentFromFile(const std::string& fileName, TComponent* root, TComponent* owner) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  return ReadComponentFromStream(stream, root, owner);
}

void WriteComponentToFile(const std::string& fileName, TComponent* component, bool binary) {
  // The tree is built before the file is created, so that a component that
  // cannot be written leaves no empty or half-written file behind.
  TFormObject tree = WriteComponentToTree(component);
  TFileStream stream(fileName, fmCreate);
  if (binary)
    WriteFormResource(stream, tree);
  else
    WriteFormText(stream, tree);
}
