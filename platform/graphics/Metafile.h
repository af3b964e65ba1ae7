// TMetafile: a metafile kept as its records' bytes, with its size from the
// header.
#pragma once

#include <cstdint>
#include <string>

#include "Graphic.h"

// Reads and writes two file forms, keeping the records as bytes:
// - the enhanced form: a header record (type 1, " EMF" signature, at least
//   88 bytes) followed by records of 8 or more bytes, 4-byte aligned, the
//   last one the end-of-file record (type 14); the record count and the byte
//   count of the header must agree with the records;
// - the older format: the 18-byte metafile header (type 1 or 2, 9 header
//   words, the size in words) and records of 3 or more words ending with the
//   end record (function 0), optionally behind the 22-byte placeable header
//   (key 9AC6CDD7, bounding box, units per inch, checksum).
// Width and Height are in screen pixels at 96 per inch: from the enhanced
// header's frame (hundredths of a millimetre), or from the placeable
// bounding box and its units per inch; the older format without the
// placeable header has no size (0). Saving writes the held bytes, so a
// metafile reads back exactly as it was written.
enum TMetafileKind { mkEnhanced, mkPlaceable, mkPlain };

class TMetafile : public TGraphic {
  ORV_CLASS(TMetafile, TGraphic)
public:
  TMetafile() = default;
  ~TMetafile() override = default;

  void Assign(const TPersistent* source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool Empty() const override { return FData.empty(); }
  int Width() const override;
  int Height() const override;
  // On an empty metafile (or one of the older format without size) these
  // create an enhanced metafile of that size with no drawing records;
  // otherwise they change the size its header gives.
  void SetWidth(int width);
  void SetHeight(int height);
  // Frame size in hundredths of a millimetre.
  int MMWidth() const;
  int MMHeight() const;
  bool Enhanced() const { return FKind == mkEnhanced; }
  TMetafileKind Kind() const { return FKind; }
  // The number of records (the header and end records included).
  int RecordCount() const { return FRecordCount; }
  const std::string& Data() const { return FData; }
  void Clear();

private:
  void SetSize(int width, int height);
  std::string FData;
  TMetafileKind FKind = mkEnhanced;
  int FRecordCount = 0;
};
