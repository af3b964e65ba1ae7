// Reading and writing the binary form of an object tree, and its resource header.
#include "FormBinary.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "RtlConsts.h"

namespace {

// Flags byte before an object's class name: 0xF0 | these bits.
enum : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

std::string ReadRest(TStream& in, int64_t& start) {
  start = in.Position();
  const int64_t size = in.Size();
  std::string data;
  if (size > start) {
    data.resize(static_cast<size_t>(size - start));
    in.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
  return data;
}

class BinaryReader {
public:
  explicit BinaryReader(const std::string& data) : FData(data) {}

  size_t Offset() const { return FPos; }

  void Signature() {
    Need(4);
    if (std::memcmp(FData.data() + FPos, FormBinarySignature, 4) != 0) throw EReadError(SInvalidImage);
    FPos += 4;
  }

  TFormObject Object(int depth) {
    if (depth > FormMaxDepth) throw EReadError(SInvalidImage);
    TFormObject obj;
    uint8_t flags = 0;
    if ((Peek() & 0xF0) == 0xF0) {
      flags = Byte() & 0x0F;
      if (flags & ~(ffInherited | ffChildPos | ffInline)) throw EReadError(SInvalidImage);
      if (flags & ffChildPos) {
        const TFormValue pos = Value(depth);
        if (pos.Type != vaInt8 && pos.Type != vaInt16 && pos.Type != vaInt32 && pos.Type != vaInt64)
          throw EReadError(SInvalidImage);
        obj.HasPosition = true;
        obj.Position = pos.Int;
      }
    }
    // An object flagged both inherited and inline is an inline one; the text
    // form has one keyword for it and the tree one kind.
    obj.Kind = (flags & ffInline) ? fokInline : (flags & ffInherited) ? fokInherited : fokObject;
    obj.ClassName = ShortString();
    if (obj.ClassName.empty()) throw EReadError(SInvalidImage);
    obj.Name = ShortString();
    Properties(obj.Properties, depth);
    while (Peek() != 0) obj.Children.push_back(Object(depth + 1));
    ++FPos;
    return obj;
  }

private:
  void Need(size_t n) const {
    if (FData.size() - FPos < n) throw EReadError(SReadError);
  }
  uint8_t Peek() const {
    Need(1);
    return static_cast<uint8_t>(FData[FPos]);
  }
  uint8_t Byte() {
    const uint8_t b = Peek();
    ++FPos;
    return b;
  }
  template <typename T>
  T Fixed() {
    Need(sizeof(T));
    T v;
    std::memcpy(&v, FData.data() + FPos, sizeof(T));
    FPos += sizeof(T);
    return v;
  }
  std::string Bytes(size_t n) {
    Need(n);
    std::string s = FData.substr(FPos, n);
    FPos += n;
    return s;
  }
  std::string ShortString() { return Bytes(Byte()); }
  // A 32-bit length, checked against what is left before anything is allocated.
  size_t Length(size_t unit) {
    const uint32_t n = Fixed<uint32_t>();
    if (n > (FData.size() - FPos) / unit) throw EReadError(SReadError);
    return n;
  }

  void Properties(std::vector<TFormProperty>& props, int depth) {
    while (Peek() != 0) {
      TFormProperty p;
      p.Name = ShortString();
      p.Value = Value(depth);
      props.push_back(std::move(p));
    }
    ++FPos;
  }

  TFormValue Value(int depth) {
    if (depth > FormMaxDepth) throw EReadError(SInvalidImage);
    TFormValue v;
    v.Type = static_cast<TValueType>(Byte());
    switch (v.Type) {
      case vaList:
        while (Peek() != 0) v.List.push_back(Value(depth + 1));
        ++FPos;
        break;
      case vaInt8: v.Int = Fixed<int8_t>(); break;
      case vaInt16: v.Int = Fixed<int16_t>(); break;
      case vaInt32: v.Int = Fixed<int32_t>(); break;
      case vaInt64: v.Int = Fixed<int64_t>(); break;
      case vaExtended:
        Need(10);
        std::memcpy(v.Extended.data(), FData.data() + FPos, 10);
        FPos += 10;
        v.Float = static_cast<double>(FormExtendedToLongDouble(v.Extended));
        break;
      case vaString:
      case vaIdent: v.Str = ShortString(); break;
      case vaLString:
      case vaUTF8String:
      case vaBinary: v.Str = Bytes(Length(1)); break;
      case vaWString: {
        const size_t n = Length(2);
        v.WStr.resize(n);
        for (size_t i = 0; i < n; ++i) v.WStr[i] = Fixed<uint16_t>();
        break;
      }
      case vaFalse:
      case vaTrue:
      case vaNil: break;
      case vaSet:
        for (std::string e = ShortString(); !e.empty(); e = ShortString()) v.Set.push_back(std::move(e));
        break;
      case vaCollection:
        while (Peek() != 0) {
          TFormCollectionItem item;
          const uint8_t t = Peek();
          if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
            item.HasIndex = true;
            item.Index = Value(depth + 1).Int;
          }
          if (Byte() != vaList) throw EReadError(SInvalidImage);
          Properties(item.Properties, depth + 1);
          v.Items.push_back(std::move(item));
        }
        ++FPos;
        break;
      case vaSingle: v.Float = Fixed<float>(); break;
      case vaCurrency: v.Int = Fixed<int64_t>(); break;
      case vaDate:
      case vaDouble: v.Float = Fixed<double>(); break;
      default: throw EReadError(SInvalidImage);  // vaNull or an unknown type byte
    }
    return v;
  }

  const std::string& FData;
  size_t FPos = 0;
};

class BinaryWriter {
public:
  std::string Out;

  void Object(const TFormObject& obj, int depth) {
    if (depth > FormMaxDepth) throw EWriteError("Form nesting too deep");
    uint8_t flags = 0;
    if (obj.Kind == fokInherited) flags |= ffInherited;
    if (obj.Kind == fokInline) flags |= ffInline;
    if (obj.HasPosition) flags |= ffChildPos;
    if (obj.ClassName.empty()) throw EWriteError("Object without a class name");
    // A class name of 240 bytes or more would read back as a flags byte, so
    // such an object always carries one.
    if (flags != 0 || static_cast<uint8_t>(std::min<size_t>(obj.ClassName.size(), 255)) >= 0xF0) {
      Byte(0xF0 | flags);
      if (obj.HasPosition) Value(FormIntValue(obj.Position), depth);
    }
    ShortString(obj.ClassName);
    ShortString(obj.Name);
    Properties(obj.Properties, depth);
    for (const auto& child : obj.Children) Object(child, depth + 1);
    Byte(0);
  }

private:
  void Byte(uint8_t b) { Out.push_back(static_cast<char>(b)); }
  template <typename T>
  void Fixed(T v) {
    char buf[sizeof(T)];
    std::memcpy(buf, &v, sizeof(T));
    Out.append(buf, sizeof(T));
  }
  void ShortString(const std::string& s) {
    if (s.size() > 255) throw EWriteError("Name longer than 255 characters: " + s.substr(0, 32) + "...");
    Byte(static_cast<uint8_t>(s.size()));
    Out += s;
  }
  void LongString(const std::string& s) {
    if (s.size() > std::numeric_limits<uint32_t>::max()) throw EWriteError("Value too long");
    Fixed<uint32_t>(static_cast<uint32_t>(s.size()));
    Out += s;
  }
  void Properties(const std::vector<TFormProperty>& props, int depth) {
    for (const auto& p : props) {
      if (p.Name.empty()) throw EWriteError("Property without a name");
      ShortString(p.Name);
      Value(p.Value, depth);
    }
    Byte(0);
  }
  static bool Fits(TValueType t, int64_t v) {
    switch (t) {
      case vaInt8: return v >= INT8_MIN && v <= INT8_MAX;
      case vaInt16: return v >= INT16_MIN && v <= INT16_MAX;
      case vaInt32: return v >= INT32_MIN && v <= INT32_MAX;
      default: return true;
    }
  }

  void Value(const TFormValue& v, int depth) {
    if (depth > FormMaxDepth) throw EWriteError("Form nesting too deep");
    switch (v.Type) {
      case vaList:
        Byte(vaList);
        for (const auto& item : v.List) Value(item, depth + 1);
        Byte(0);
        return;
      case vaInt8: case vaInt16: case vaInt32: case vaInt64: {
        const TValueType t = Fits(v.Type, v.Int) ? v.Type : FormIntValue(v.Int).Type;
        Byte(t);
        if (t == vaInt8) Fixed<int8_t>(static_cast<int8_t>(v.Int));
        else if (t == vaInt16) Fixed<int16_t>(static_cast<int16_t>(v.Int));
        else if (t == vaInt32) Fixed<int32_t>(static_cast<int32_t>(v.Int));
        else Fixed<int64_t>(v.Int);
        return;
      }
      case vaExtended:
        Byte(vaExtended);
        Out.append(reinterpret_cast<const char*>(v.Extended.data()), 10);
        return;
      case vaString: case vaLString:
        if (v.Str.size() <= 255 && v.Type == vaString) {
          Byte(vaString);
          ShortString(v.Str);
        } else {
          Byte(vaLString);
          LongString(v.Str);
        }
        return;
      case vaIdent:
        if (v.Str.empty()) throw EWriteError("Empty identifier value");
        Byte(vaIdent);
        ShortString(v.Str);
        return;
      case vaUTF8String: case vaBinary:
        Byte(v.Type);
        LongString(v.Str);
        return;
      case vaWString:
        if (v.WStr.size() > std::numeric_limits<uint32_t>::max()) throw EWriteError("Value too long");
        Byte(vaWString);
        Fixed<uint32_t>(static_cast<uint32_t>(v.WStr.size()));
        for (char16_t c : v.WStr) Fixed<uint16_t>(c);
        return;
      case vaFalse: case vaTrue: case vaNil:
        Byte(v.Type);
        return;
      case vaSet:
        Byte(vaSet);
        for (const auto& e : v.Set) {
          if (e.empty()) throw EWriteError("Empty set element");
          ShortString(e);
        }
        Byte(0);
        return;
      case vaCollection:
        Byte(vaCollection);
        for (const auto& item : v.Items) {
          if (item.HasIndex) Value(FormIntValue(item.Index), depth + 1);
          Byte(vaList);
          Properties(item.Properties, depth + 1);
        }
        Byte(0);
        return;
      case vaSingle:
        Byte(vaSingle);
        Fixed<float>(static_cast<float>(v.Float));
        return;
      case vaCurrency:
        Byte(vaCurrency);
        Fixed<int64_t>(v.Int);
        return;
      case vaDate: case vaDouble:
        Byte(v.Type);
        Fixed<double>(v.Float);
        return;
      default:
        throw EWriteError("Invalid value type " + std::to_string(static_cast<int>(v.Type)));
    }
  }
};

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

}  // namespace

TFormObject ReadFormBinary(TStream& in) {
  const int64_t origin = in.Position();
  uint8_t first = 0;
  if (in.Read(&first, 1) == 1 && first == 0xFF) {
    in.SetPosition(origin);
    ReadFormResourceHeader(in);
  } else {
    in.SetPosition(origin);
  }
  int64_t start = 0;
  const std::string data = ReadRest(in, start);
  BinaryReader reader(data);
  reader.Signature();
  TFormObject root = reader.Object(0);
  in.SetPosition(start + static_cast<int64_t>(reader.Offset()));
  return root;
}

void WriteFormBinary(TStream& out, const TFormObject& root) {
  BinaryWriter writer;
  writer.Out.append(FormBinarySignature, 4);
  writer.Object(root, 0);
  out.WriteBuffer(writer.Out.data(), static_cast<int64_t>(writer.Out.size()));
}

std::string ReadFormResourceHeader(TStream& in) {
  uint8_t head[3];
  if (in.Read(head, 3) != 3 || head[0] != 0xFF || head[1] != 0x0A || head[2] != 0x00)
    throw EReadError(SInvalidImage);
  std::string name;
  for (;;) {
    char c;
    in.ReadBuffer(&c, 1);
    if (c == 0) break;
    if (name.size() >= 255) throw EReadError(SInvalidImage);
    name += c;
  }
  uint8_t flags[2];
  in.ReadBuffer(flags, 2);
  uint32_t size = 0;
  in.ReadBuffer(&size, 4);
  if (size > in.Size() - in.Position()) throw EReadError(SReadError);
  return name;
}

void WriteFormResource(TStream& out, const TFormObject& root) {
  BinaryWriter writer;
  writer.Out.append(FormBinarySignature, 4);
  writer.Object(root, 0);
  const std::string name = UpperAscii(root.ClassName);
  if (name.find('\0') != std::string::npos) throw EWriteError("Class name holds a NUL character");
  std::string header("\xFF\x0A\x00", 3);
  header += name;
  header.push_back('\0');
  header += "\x30\x10";
  const uint32_t size = static_cast<uint32_t>(writer.Out.size());
  header.append(reinterpret_cast<const char*>(&size), 4);
  out.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
  out.WriteBuffer(writer.Out.data(), static_cast<int64_t>(writer.Out.size()));
}
