// TBlobField and TMemoField: values of any length, read and written through
// the dataset's blob stream for the field (CreateBlobStream).
#pragma once

#include <memory>
#include <string>

#include "Field.h"
#include "Streams.h"

class TBlobField : public TField {
  ORV_CLASS(TBlobField, TField)
public:
  explicit TBlobField(TComponent* owner);
  bool IsBlob() const override { return true; }
  void SetSize(int size) override;
  // Set by the dataset's blob stream when it wrote the value of the record.
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  // Text passes through the dataset's character translation.
  bool Transliterate() const { return FTransliterate; }
  void SetTransliterate(bool value) { FTransliterate = value; }
  // Bytes of the value in the current record.
  int64_t BlobSize() const;

  void SetAsString(const std::string& value) override;
  // Empties the value through a write stream (the dataset makes it NULL).
  void Clear() override;
  // Replaces the value by the whole of stream, from its start.
  void LoadFromStream(TStream& stream);
  // Appends the value to stream at its position.
  void SaveToStream(TStream& stream) const;
  // EFOpenError / EFCreateError for files that cannot be opened.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  static void Publish(TPropertyTable<TBlobField>& props);

protected:
  std::string GetAsString() const override;
  // The value as 8-bit text (any bytes, NULs included) for memos and blobs
  // alike, so that it converts to and from strings without loss.
  Variant GetAsVariant() const override;
  // Text, or a byte array taken as its bytes.
  void SetVarValue(const Variant& value) override;

private:
  std::unique_ptr<TStream> OpenStream(TBlobStreamMode mode) const;
  bool FModified = false;
  bool FTransliterate = false;
};

class TMemoField : public TBlobField {
  ORV_CLASS(TMemoField, TBlobField)
public:
  explicit TMemoField(TComponent* owner);
};
