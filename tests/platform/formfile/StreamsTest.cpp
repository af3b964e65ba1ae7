// Streams: the all-or-nothing buffer calls, CopyFrom, memory-stream growth and
// limits, and file streams with their open modes, share locks and errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "Streams.h"

namespace {

std::string Contents(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void Fill(TMemoryStream& s, const std::string& text) { s.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }

std::string TempPath(const std::string& name) {
  auto dir = std::filesystem::path(ORV_BINARY_DIR) / "tmp-streams";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

}  // namespace

TEST(Streams, ReadBufferAndWriteBufferAreAllOrNothing) {
  TMemoryStream s;
  Fill(s, "abc");
  s.SetPosition(1);
  char buf[4] = {};
  try {
    s.ReadBuffer(buf, 3);
    FAIL() << "short read not reported";
  } catch (const EReadError& e) {
    EXPECT_STREQ("Stream read error", e.what());
  }
  s.SetPosition(0);
  s.ReadBuffer(buf, 3);
  EXPECT_EQ("abc", std::string(buf, 3));
  EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);

  // A read-only descriptor cannot take a write: the framework's write error.
  const std::string path = TempPath("ro.bin");
  { TFileStream f(path, fmCreate); }
  TFileStream ro(path, fmOpenRead);
  EXPECT_THROW(ro.WriteBuffer("x", 1), EWriteError);
}

TEST(Streams, CopyFromTable) {
  struct Case {
    const char* what;
    int64_t start;  // source position before the copy
    int64_t count;
    const char* copied;  // nullptr: a read error is expected
  } cases[] = {
      {"count 0 from the middle copies the whole source", 3, 0, "0123456789"},
      {"count 0 from the end copies the whole source", 10, 0, "0123456789"},
      {"count n copies from the current position", 2, 4, "2345"},
      {"count n up to the end", 7, 3, "789"},
      {"source too short", 8, 3, nullptr},
      {"negative count", 0, -1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream source, dest;
    Fill(source, "0123456789");
    source.SetPosition(c.start);
    if (c.copied) {
      EXPECT_EQ(static_cast<int64_t>(std::strlen(c.copied)), dest.CopyFrom(source, c.count));
      EXPECT_EQ(c.copied, Contents(dest));
    } else {
      EXPECT_THROW(dest.CopyFrom(source, c.count), EReadError);
    }
  }
  // Larger than one copy block, across stream kinds.
  TMemoryStream big;
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  Fill(big, data);
  const std::string path = TempPath("copy.bin");
  {
    TFileStream f(path, fmCreate);
    EXPECT_EQ(200000, f.CopyFrom(big, 0));
  }
  TFileStream f(path, fmOpenRead);
  TMemoryStream back;
  back.CopyFrom(f, 0);
  EXPECT_EQ(data, Contents(back));
}

TEST(Streams, MemoryStreamGrowsSeeksAndResizes) {
  TMemoryStream s;
  EXPECT_EQ(0, s.Size());
  std::string many;
  for (int i = 0; i < 5000; ++i) {
    const std::string part = std::to_string(i) + ",";
    Fill(s, part);
    many += part;
  }
  EXPECT_EQ(many, Contents(s));
  EXPECT_EQ(static_cast<int64_t>(many.size()), s.Position());

  // Writing past the end leaves a zero-filled gap.
  TMemoryStream g;
  g.SetPosition(4);
  Fill(g, "x");
  EXPECT_EQ(std::string("\0\0\0\0x", 5), Contents(g));
  EXPECT_EQ(5, g.Seek(0, soEnd));
  EXPECT_EQ(3, g.Seek(-2, soCurrent));
  EXPECT_THROW(g.Seek(-1, soBeginning), EStreamError);

  // Shrinking pulls the position back; growing reads zeros.
  g.SetSize(2);
  EXPECT_EQ(2, g.Position());
  g.SetSize(6);
  EXPECT_EQ(std::string(6, '\0'), Contents(g));
  g.Clear();
  EXPECT_EQ(0, g.Size());
  EXPECT_EQ(0, g.Position());
  char c;
  EXPECT_EQ(0, g.Read(&c, 1));
}

TEST(Streams, MemoryStreamRefusesHostileSizes) {
  TMemoryStream s;
  Fill(s, "keep");
  for (int64_t size : {int64_t(-1), int64_t(1) << 40, INT64_MAX}) {
    SCOPED_TRACE(size);
    EXPECT_THROW(s.SetSize(size), EStreamError);
    EXPECT_EQ("keep", Contents(s));
  }
  s.SetPosition(INT64_MAX - 1);
  EXPECT_THROW(Fill(s, "xyz"), EStreamError);
  EXPECT_EQ("keep", Contents(s));
}

TEST(Streams, MemoryStreamFilesAndStreams) {
  const std::string path = TempPath("mem.bin");
  TMemoryStream s;
  Fill(s, std::string("line\r\n\0binary", 13));
  s.SaveToFile(path);
  EXPECT_EQ(13, static_cast<int64_t>(std::filesystem::file_size(path)));

  TMemoryStream t;
  Fill(t, "old contents that are longer");
  t.LoadFromFile(path);
  EXPECT_EQ(std::string("line\r\n\0binary", 13), Contents(t));

  TMemoryStream u;
  s.SetPosition(5);
  u.LoadFromStream(s);  // from the start, whatever the source's position
  EXPECT_EQ(Contents(s), Contents(u));
  TMemoryStream v;
  u.SaveToStream(v);
  EXPECT_EQ(Contents(s), Contents(v));

  try {
    t.LoadFromFile(TempPath("missing.bin"));
    FAIL() << "missing file not reported";
  } catch (const EFOpenError& e) {
    EXPECT_EQ("Cannot open file \"" + TempPath("missing.bin") + "\". No such file or directory",
              e.Message());
  }
}

TEST(Streams, FileStreamModes) {
  const std::string path = TempPath("modes.bin");
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("hello world", 11);
    EXPECT_EQ(11, f.Size());
    f.SetSize(5);
    EXPECT_EQ(5, f.Position());
    EXPECT_EQ(path, f.FileName());
  }
  {
    TFileStream f(path, fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteBuffer("!", 1);
    f.SetPosition(0);
    char buf[6];
    f.ReadBuffer(buf, 6);
    EXPECT_EQ("hello!", std::string(buf, 6));
  }
  {
    TFileStream f(path, fmOpenWrite);
    f.WriteBuffer("J", 1);
    char c;
    EXPECT_THROW(f.ReadBuffer(&c, 1), EReadError);
  }
  {
    TFileStream f(path, fmCreate);  // truncates
    EXPECT_EQ(0, f.Size());
  }
  EXPECT_THROW(TFileStream(TempPath("no/such/dir.bin"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(TempPath(""), fmOpenRead), EFOpenError);  // a folder
  EXPECT_THROW(TFileStream(path, 0x0003), EFOpenError);              // no such open mode
}

TEST(Streams, FileStreamShareModes) {
  const std::string path = TempPath("share.bin");
  { TFileStream f(path, fmCreate); }
  struct Case {
    uint16_t first, second;
    bool secondOpens;
  } cases[] = {
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareExclusive, false},
      {fmOpenRead | fmShareDenyWrite, fmCreate, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.first << " then " << c.second);
    TFileStream first(path, c.first);
    if (c.secondOpens) {
      EXPECT_NO_THROW(TFileStream(path, c.second));
    } else if (c.second == fmCreate) {
      EXPECT_THROW(TFileStream(path, c.second), EFCreateError);
    } else {
      EXPECT_THROW(TFileStream(path, c.second), EFOpenError);
    }
  }
}
