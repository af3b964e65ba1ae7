// The parsed form of a form file: objects with their properties and children,
// each value with the kind the file gave it. The text and the binary form are
// both read into this tree and written from it; the component reader and
// writer (TReader/TWriter) go between the tree and live components.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Value kinds in the order of the binary form's type bytes.
enum TValueType : uint8_t {
  vaNull = 0,      // end of a list
  vaList,          // ( item item ... )
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,      // 10-byte extended float
  vaString,        // short string, up to 255 bytes
  vaIdent,         // identifier: enumeration literal, component or method name
  vaFalse,
  vaTrue,
  vaBinary,        // { hex } from DefineProperties
  vaSet,           // [ a, b ]
  vaLString,       // string longer than 255 bytes
  vaNil,
  vaCollection,    // < item ... end >
  vaSingle,        // 4-byte float, written with suffix 's' in text
  vaCurrency,      // 64-bit scaled by 10000, suffix 'c'
  vaDate,          // double days, suffix 'd'
  vaWString,       // UTF-16 text
  vaInt64,
  vaUTF8String,
  vaDouble,        // 8-byte float
};

struct TFormValue;
struct TFormProperty;

// One item of a collection: an optional order index and its properties.
struct TFormCollectionItem {
  bool HasIndex = false;
  int64_t Index = 0;
  std::vector<TFormProperty> Properties;
};

struct TFormValue {
  TValueType Type = vaNull;
  int64_t Int = 0;                     // vaInt8..vaInt64; vaCurrency as the scaled integer
  std::array<uint8_t, 10> Extended{};  // vaExtended: the 10 bytes exactly as stored
  double Float = 0;                    // vaSingle, vaDouble, vaDate
  std::string Str;                     // vaString, vaLString, vaIdent, vaUTF8String (UTF-8), vaBinary (bytes)
  std::u16string WStr;                 // vaWString
  std::vector<std::string> Set;        // vaSet: element names in file order
  std::vector<TFormValue> List;        // vaList
  std::vector<TFormCollectionItem> Items;  // vaCollection
};

struct TFormProperty {
  std::string Name;  // may be dotted: "Font.Name", "SQL.Strings"
  TFormValue Value;
  int Line = 0;      // 1-based line in a text file, 0 when read from binary
};

enum TFormObjectKind : uint8_t { fokObject, fokInherited, fokInline };

struct TFormObject {
  TFormObjectKind Kind = fokObject;
  std::string Name;       // may be empty ("object TLabel" without a name)
  std::string ClassName;
  bool HasPosition = false;  // "[n]" child position of inherited forms
  int64_t Position = 0;
  std::vector<TFormProperty> Properties;
  std::vector<TFormObject> Children;
  int Line = 0;
};

// ---- Building values ------------------------------------------------------
// Helpers for code that fills the tree (the component writer, tests): each
// picks the kind the framework would store for the value.

// The 10-byte extended float. Both forms store it bit for bit; long double is
// that same format on the machines we build for.
long double FormExtendedToLongDouble(const std::array<uint8_t, 10>& bytes);
std::array<uint8_t, 10> FormLongDoubleToExtended(long double value);

// Smallest of Int8/Int16/Int32/Int64 that holds the value.
TFormValue FormIntValue(int64_t value);
// vaString up to 255 bytes, vaLString beyond.
TFormValue FormStringValue(std::string value);
TFormValue FormWideStringValue(std::u16string value);
// vaIdent; "True", "False" and "nil" are their own kinds.
TFormValue FormIdentValue(std::string ident);
TFormValue FormBoolValue(bool value);
TFormValue FormExtendedValue(long double value);
TFormValue FormBinaryValue(std::string bytes);
TFormValue FormSetValue(std::vector<std::string> elements);
TFormValue FormListValue(std::vector<TFormValue> items);

// Structural equality (the kinds and every stored field that the kind uses).
bool FormValuesEqual(const TFormValue& a, const TFormValue& b);
bool FormObjectsEqual(const TFormObject& a, const TFormObject& b);

// How deep objects, lists and collections may nest in a form file. Real forms
// stay far below; a hostile file is stopped here instead of exhausting the stack.
inline constexpr int FormMaxDepth = 200;
