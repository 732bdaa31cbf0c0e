// The package reader against packages written by Python's zlib (a fixture) and by zlib
// directly, and against packages that are not packages.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "skin/data/acSkinPack.h"
#include "skin/data/acZStream.h"
#include "tests/unit/skin_data/SkinTestUtil.h"

namespace {

String Fixture(const char* name) { return Utf8ToString(EQUIDIV_SKIN_FIXTURES) + Utf8ToString(name); }

std::string TextOf(TMemoryStream& s) { return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size())); }

TEST(PackageReader, ReadsPackageWrittenByPythonZlib) {
  std::unique_ptr<TacSkinConvertor> reader;
  ASSERT_TRUE(LoadSkinFile(Fixture("python.asz"), reader, true));
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->PackedData(), nullptr); // released
  ASSERT_TRUE(reader->Options);
  EXPECT_EQ(TextOf(*reader->Options).substr(0, 29), "; written by make_fixtures.py");
  EXPECT_EQ(reader->ImageCount, 4);

  struct Expected {
    const char* name;
    bool isBitmap;
    int64_t size;
  };
  const Expected expected[] = {
      {"TOPRIGHT.BMP", true, 14 + 40 + 16 + 32 * 20}, {"Noise.bin", false, 70000},
      {"Pic.jpg", false, 20}, {"README", false, 10}};
  ASSERT_EQ(reader->ImageItems.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].name);
    const TacImageItem& item = reader->ImageItems[i];
    EXPECT_EQ(item.Name, expected[i].name);
    EXPECT_EQ(item.IsBitmap, expected[i].isBitmap);
    EXPECT_EQ(item.Data->Size(), expected[i].size);
    EXPECT_EQ(item.Data->Position(), item.Data->Size());
  }
  // The entry after the 70000-byte stream (longer than one read-ahead block) is intact.
  EXPECT_EQ(TextOf(*reader->ImageItems[3].Data), "last entry");
}

TEST(PackageReader, BitmapNamesByExtension) {
  const std::pair<const char*, bool> cases[] = {
      {"Pic.Bmp", true}, {"Master.bmp", true}, {"X.BMP", true},   {".bmp", true},
      {"Pic.jpg", false}, {"Pic", false},     {"a.bmp.jpg", false}, {"a.bmpx", false}};
  for (const auto& [name, isBitmap] : cases) EXPECT_EQ(IsBitmapName(name), isBitmap) << name;
}

TEST(PackageReader, OptionsEntryInAnyCaseLastOneWins) {
  PackageBuilder b;
  b.Add("OPTIONS.dat", "first").Add("x.bmp", "img").Add("options.DAT", "second");
  auto stream = StreamOf(b.Build());
  TacSkinConvertor reader;
  reader.SetPackedData(stream.get());
  ASSERT_TRUE(reader.UnpackSkin());
  EXPECT_EQ(TextOf(*reader.Options), "second");
  ASSERT_EQ(reader.ImageItems.size(), 1u);
  EXPECT_EQ(reader.ImageItems[0].Name, "x.bmp");
  EXPECT_EQ(reader.ImageCount, 2);
  // A stream it was given is not the reader's to free.
  reader.ClearData();
  EXPECT_EQ(reader.PackedData(), stream.get());
}

TEST(PackageReader, EntryStreamsLongerThanReadAheadAreFollowedExactly) {
  // Stored (level 0) and incompressible entries both give streams past 65536 bytes; the
  // next entry must start exactly after each Adler-32 trailer.
  Bytes big(200000);
  std::iota(big.begin(), big.end(), uint8_t{0});
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  for (int level : {0, 1, 9}) {
    SCOPED_TRACE(level);
    PackageBuilder b;
    b.Add("A.bmp", big).Add("Options.dat", "opts").Add("B.bmp", big).Add("C.jpg", "tail");
    auto stream = StreamOf(b.Build(level));
    TacSkinConvertor reader;
    reader.SetPackedData(stream.get());
    ASSERT_TRUE(reader.UnpackSkin());
    ASSERT_EQ(reader.ImageItems.size(), 3u);
    for (int i : {0, 1}) {
      ASSERT_EQ(reader.ImageItems[i].Data->Size(), static_cast<int64_t>(big.size()));
      EXPECT_EQ(std::memcmp(reader.ImageItems[i].Data->Memory(), big.data(), big.size()), 0);
    }
    EXPECT_EQ(TextOf(*reader.ImageItems[2].Data), "tail");
    EXPECT_EQ(TextOf(*reader.Options), "opts");
  }
}

TEST(PackageReader, EntriesBeyondTheCountAreIgnored) {
  PackageBuilder b;
  b.Add("Options.dat", "o").Add("extra.bmp", "e");
  Bytes bytes = b.Build();
  bytes[4] = 1; // count says one entry
  auto stream = StreamOf(bytes);
  TacSkinConvertor reader;
  reader.SetPackedData(stream.get());
  ASSERT_TRUE(reader.UnpackSkin());
  EXPECT_TRUE(reader.ImageItems.empty());
  EXPECT_EQ(reader.ImageCount, 0);
}

// Everything that is not a package: one report with the package message, nothing kept.
TEST(PackageReader, RejectsWhatIsNotAPackage) {
  const Bytes good = PackageBuilder().Add("Options.dat", "[GLOBALINFO]").Add("M.bmp", "xy").Build();
  auto with = [&](size_t at, int32_t value) {
    Bytes b = good;
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    return b;
  };
  auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
  const size_t firstSize = 8 + 4 + 11; // after magic, count, name length and name
  Bytes capitals = good;
  std::memcpy(capitals.data(), "ASZF", 4);
  Bytes smallSize = with(firstSize, 3); // stream inflates to more than the size says

  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"magic in capitals", capitals},
      {"count 0", ToBytes(std::string("ASzf\0\0\0\0", 8))},
      {"negative count", with(4, -1)},
      {"count beyond the data", with(4, 1000)},
      {"negative name length", with(8, -5)},
      {"name length beyond the data", with(8, 1 << 20)},
      {"negative size", with(firstSize, -1)},
      {"size beyond what deflate can give", with(firstSize, 60 << 20)},
      {"size smaller than the stream", smallSize},
      {"cut in the magic", cut(3)},
      {"cut in the count", cut(6)},
      {"cut in a name length", cut(10)},
      {"cut in a name", cut(15)},
      {"cut in a size", cut(firstSize + 2)},
      {"no options entry", PackageBuilder().Add("M.bmp", "xy").Build()},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    auto stream = StreamOf(bytes);
    RecordingReporter reporter;
    TacSkinConvertor reader;
    reader.Reporter = &reporter;
    reader.SetPackedData(stream.get());
    EXPECT_FALSE(reader.UnpackSkin());
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].first, L"Warning");
    EXPECT_EQ(reporter.reports[0].second, L"Loaded data is not a packed skin file");
    EXPECT_FALSE(reader.Options);
    EXPECT_TRUE(reader.ImageItems.empty());
  }
}

TEST(PackageReader, DamagedStreamsRaiseWithZlibText) {
  const Bytes good = PackageBuilder().Add("Options.dat", std::string(300, 'a') + "xyz").Build();
  const size_t streamAt = 8 + 4 + 11 + 4;

  Bytes badHeader = good;
  badHeader[streamAt + 1] ^= 0x01; // header check fails
  Bytes badChecksum = good;
  badChecksum[badChecksum.size() - 1] ^= 0xFF;
  const std::pair<Bytes, const char*> cases[] = {{badHeader, "header check"}, {badChecksum, "Adler-32 trailer"}};
  for (const auto& [bytes, what] : cases) {
    SCOPED_TRACE(what);
    auto stream = StreamOf(bytes);
    TacSkinConvertor reader;
    reader.SetPackedData(stream.get());
    try {
      reader.UnpackSkin();
      ADD_FAILURE() << "no error";
    } catch (const EZDecompressionError& e) {
      // zlib's own message for the code it returned ("data error" for Z_DATA_ERROR).
      EXPECT_EQ(e.Message(), L"data error");
    }
  }
}

TEST(PackageReader, StreamThatEndsEarlyIsAReadError) {
  const Bytes good = PackageBuilder().Add("Options.dat", std::string(5000, 'q')).Build();
  for (size_t keep : {good.size() - 1, good.size() - 6, size_t{8 + 4 + 11 + 4 + 6}}) {
    auto stream = StreamOf(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep)));
    TacSkinConvertor reader;
    reader.SetPackedData(stream.get());
    try {
      reader.UnpackSkin();
      ADD_FAILURE() << "no error at " << keep;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), L"Stream read error");
    }
  }
}

TEST(PackageReader, DecompressorRefusesWritingAndSeekingAndResumesWhereItLeftItsSource) {
  Bytes data(1000);
  std::iota(data.begin(), data.end(), uint8_t{0});
  Bytes packed = Compress(data);
  packed.push_back(0x42);
  auto source = StreamOf(packed);
  TZDecompressionStream z(*source);
  uint8_t part[400];
  ASSERT_EQ(z.Read(part, 400), 400);
  source->SetPosition(3); // somebody else moves the source
  uint8_t rest[600];
  ASSERT_EQ(z.Read(rest, 600), 600);
  EXPECT_EQ(std::memcmp(rest, data.data() + 400, 600), 0);
  ASSERT_TRUE(z.Finish());
  EXPECT_EQ(source->Position(), static_cast<int64_t>(packed.size()) - 1);

  for (auto op : {+[](TZDecompressionStream& s) { s.Write("x", 1); },
                  +[](TZDecompressionStream& s) { s.Seek(5, TSeekOrigin::soBeginning); }}) {
    try {
      op(z);
      ADD_FAILURE() << "no error";
    } catch (const EZDecompressionError& e) {
      EXPECT_EQ(e.Message(), L"Invalid ZStream operation!");
    }
  }
}

TEST(PackageReader, LoadSkinFileLifecycle) {
  std::unique_ptr<TacSkinConvertor> reader;
  EXPECT_FALSE(LoadSkinFile(Fixture("no-such.asz"), reader, true));
  EXPECT_FALSE(reader); // nothing created for a missing file

  // Kept source when not released; refilled readers are cleared first.
  ASSERT_TRUE(LoadSkinFile(Fixture("python.asz"), reader, false));
  ASSERT_NE(reader->PackedData(), nullptr);
  EXPECT_EQ(reader->PackedData()->Size(), 70351);
  ASSERT_TRUE(LoadSkinFile(Fixture("python.asz"), reader, true));
  EXPECT_EQ(reader->ImageItems.size(), 4u);

  // A file that is not a package discards the reader.
  RecordingReporter reporter;
  SetSkinReporter(&reporter);
  EXPECT_FALSE(LoadSkinFile(Fixture("make_fixtures.py"), reader, true));
  SetSkinReporter(nullptr);
  EXPECT_FALSE(reader);
  EXPECT_EQ(reporter.reports.size(), 1u);
}

} // namespace
