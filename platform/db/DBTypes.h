// The enumerations and small types of the dataset model: states, data events,
// fetch modes and results, bookmark flags, field types and kinds, blob stream
// modes, locate options, error actions, resync modes, record buffers.
#pragma once

#include <cstdint>
#include <vector>

#include "Sets.h"
#include "TypInfo.h"

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening,
};
ORV_ENUM_INFO(TDataSetState, dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
              dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening)

// States in which a record is being changed, and states in which fields may
// be written.
inline constexpr bool IsEditMode(TDataSetState s) { return s == dsEdit || s == dsInsert || s == dsSetKey; }
inline constexpr bool IsWriteMode(TDataSetState s) {
  return s == dsEdit || s == dsInsert || s == dsSetKey || s == dsCalcFields || s == dsFilter || s == dsNewValue ||
         s == dsInternalCalc;
}

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// Stored in each record buffer by the dataset (the numbers are the framework's).
enum TBookmarkFlag { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
};
ORV_ENUM_INFO(TFieldType, ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
              ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo,
              ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint)

// The framework's type names ("String", "Integer", ...), as its errors show them.
const char* FieldTypeName(TFieldType type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
ORV_ENUM_INFO(TFieldKind, fkData, fkCalculated, fkLookup, fkInternalCalc)

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

enum TDataAction { daFail, daAbort, daRetry };

enum TResyncModeFlag { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeFlag>;

// A record buffer: a block of bytes whose layout only the concrete dataset
// knows. The dataset model handles buffers by address.
using TRecordBuffer = char*;

// A bookmark: BookmarkSize bytes copied out of a record buffer; empty stands
// for no bookmark.
using TBookmark = std::vector<uint8_t>;

// The framework's date-time field buffer: a day number (ftDate), the
// milliseconds of the day (ftTime) or milliseconds since day 0 (ftDateTime).
union TDateTimeRec {
  int32_t Date;
  int32_t Time;
  double DateTime;
};
static_assert(sizeof(TDateTimeRec) == 8);
