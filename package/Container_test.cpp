// The container: finding the file table from the trailer and the length
// field, the table's code page, and what the writer produces.
#include "datatable/DataTable.h"
#include "package/PackageTesting.h"
#include "support/Text.h"

using namespace packagetesting;

namespace {

// A package of one file without its three trailer bytes.
std::string WithoutTrailer() {
  const std::string package = MakePackage({{u"", u"f.txt", "contents"}});
  return package.substr(0, package.size() - 3);
}

std::string Filler(std::size_t count) { return std::string(count, '\xFF'); }

struct TTrailerCase {
  const char* name;
  std::string trailer;
};

class TrailerTest : public testing::TestWithParam<TTrailerCase> {};

// The filler reads as a length of -1 wherever a reader takes the wrong
// trailer length.
INSTANTIATE_TEST_SUITE_P(Variants, TrailerTest,
                         testing::Values(TTrailerCase{"A", "\x0A\x14\x02"},
                                         TTrailerCase{"B", Filler(20) + "\x14\xFF"},
                                         TTrailerCase{"C", "\x0A" + Filler(9)},
                                         TTrailerCase{"D", Filler(29)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(TrailerTest, FindsTheTableBeforeTheTrailer) {
  TTempDir dir;
  WriteBytes(dir.Path() / "p.stp", WithoutTrailer() + GetParam().trailer);
  ExtractPackage(dir.File("p.stp"), dir.Folder("dest"), u"", {}, dir.Folder("sys"));
  EXPECT_EQ(ReadBytes(dir.Path() / "dest" / "f.txt"), "contents");
}

std::string LittleEndian(std::int32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(value) >> shift));
  }
  return bytes;
}

// Eight bytes, a length field and the usual trailer: 15 bytes in all.
std::string WithLength(std::int32_t length) {
  return std::string(8, 'x') + LittleEndian(length) + "\x0A\x14\x02";
}

struct TLengthCase {
  const char* name;
  std::string package;
  std::u16string error;  // empty: nothing to extract, without an error
};

class LengthFieldTest : public testing::TestWithParam<TLengthCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, LengthFieldTest,
    testing::Values(TLengthCase{"EqualToSize", WithLength(15), u""},
                    TLengthCase{"Largest", WithLength(0x7FFFFFFF), u""},
                    TLengthCase{"Negative", WithLength(-1), u"Stream read error"},
                    TLengthCase{"BeforeTheStart", WithLength(14), u"Stream read error"},
                    TLengthCase{"Zero", WithLength(0), u"List index out of bounds (3)"},
                    TLengthCase{"EmptyFile", "", u"Stream read error"},
                    TLengthCase{"ShorterThanItsTrailer", "\x0A", u"Stream read error"},
                    TLengthCase{"CutToOneMemberByte", WithoutTrailer().substr(0, 1),
                                u"Stream read error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(LengthFieldTest, ExtractsNothing) {
  TTempDir dir;
  WriteBytes(dir.Path() / "p.stp", GetParam().package);
  int calls = 0;
  const auto extract = [&] {
    ExtractPackage(
        dir.File("p.stp"), dir.Folder("dest"), u"", [&](int) { ++calls; }, dir.Folder("sys"));
  };
  if (GetParam().error.empty()) {
    EXPECT_NO_THROW(extract());
  } else {
    EXPECT_EQ(MessageOf(extract), GetParam().error);
  }
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(TreeOf(dir.Path()).size(), 1u) << "only the package itself";
  EXPECT_TRUE(fs::is_directory(dir.Path() / "dest")) << "the destination is made first";
}

TEST(FileTableTest, NothingToExtractLoadsNoTable) {
  TTempDir dir;
  WriteBytes(dir.Path() / "p.stp", WithLength(15));
  EXPECT_EQ(LoadFileTable(dir.File("p.stp"), u""), nullptr);
}

// A cipher string with the stream cipher whose salt holds the euro sign,
// which the ANSI code page carries as the byte 0x80: only the code page's own
// conversion gives back the salt that the key was made from.
std::u16string EncipherWithEuroSalt(const std::u16string& text) {
  const std::u16string salt = u"T\u20ACssera!";
  const int cipherSelector = 6;
  const int hashSelector = 3;
  const auto hash = CreateHash(hashSelector);
  std::vector<std::uint8_t> digest(static_cast<std::size_t>(hash->GetHashSize() / 8));
  hash->Init();
  hash->UpdateStr(std::u16string_view(salt));
  hash->Final(digest.data());
  const auto cipher = CreateCipher(cipherSelector);
  cipher->Init(digest.data(), std::min(cipher->GetMaxKeySize(), hash->GetHashSize()), nullptr);
  std::u16string header = salt;
  header += static_cast<char16_t>(salt[3] - cipherSelector);
  header += static_cast<char16_t>(salt[4] - hashSelector);
  return header + cipher->EncryptString(std::u16string_view(text));
}

TEST(FileTableTest, ReadsTheTableInTheAnsiCodePage) {
  TTempDir dir;
  const std::string member = DeflateMember("euro");
  const std::u16string text =
      u",f.txt," + IntToStr(static_cast<std::int64_t>(member.size())) + u",4";
  const std::string tail = PackageTail(EncipherWithEuroSalt(text));
  ASSERT_NE(tail.find('\x80'), std::string::npos);
  WriteBytes(dir.Path() / "p.stp", member + tail);
  ExtractPackage(dir.File("p.stp"), dir.Folder("dest"), u"", {}, dir.Folder("sys"));
  EXPECT_EQ(ReadBytes(dir.Path() / "dest" / "f.txt"), "euro");
}

TEST(PackageWriterTest, MembersAndTrailerHaveTheUsualBytes) {
  const std::string member = DeflateMember("some text");
  EXPECT_EQ(member.substr(0, 2), "\x78\xDA");
  const std::string tail = PackageTail(u"ABCDEFGHIJK");
  EXPECT_EQ(tail, std::string("ABCDEFGHIJK") + LittleEndian(11) + "\x0A\x14\x02");
}

std::vector<std::vector<std::u16string>> CellsOf(TDataTable& table) {
  std::vector<std::vector<std::u16string>> rows;
  for (int i = 0; i < table.ItemCount(); ++i) {
    TRow& row = table.Items(i);
    rows.emplace_back();
    for (int j = 0; j < row.ItemCount(); ++j) rows.back().push_back(row.Items(j).Text());
  }
  return rows;
}

TEST(PackageWriterTest, TableTextReadsBackThroughTheFileTable) {
  TTempDir dir;
  TPackageWriter writer(dir.File("p.stp"));
  WriteBytes(dir.Path() / "a", "12345");
  writer.AddFile(dir.File("a"), {u"#tag\\", u"one, two|three.txt"});
  writer.AddFile(dir.File("a"), {u"$System$", u"lib.dll", 0, 0, false});
  writer.Finish(Encipher(FileTableText(writer.Entries())));
  const auto table = LoadFileTable(dir.File("p.stp"), u"");
  ASSERT_NE(table, nullptr);
  const auto packed = IntToStr(writer.Entries()[0].packedSize);
  const std::vector<std::vector<std::u16string>> expected = {
      {u"#tag\\", u"one, two|three.txt", packed, u"5"},
      {u"$System$", u"lib.dll", packed, u"5", u"False"}};
  EXPECT_EQ(CellsOf(*table), expected);
}

TEST(PackageWriterTest, RefusesTextsThatTheTableCannotCarry) {
  const std::u16string folderError = u"A file table cannot hold the folder \"a,b\\\"";
  EXPECT_EQ(MessageOf([] { FileTableText({{u"a,b\\", u"f"}}); }), folderError);
  EXPECT_EQ(MessageOf([] {
              FileTableText({{u"a|b\\", u"f"}});
            }),
            u"A file table cannot hold the folder \"a|b\\\"");
  EXPECT_EQ(MessageOf([] {
              FileTableText({{u"", u"f\x1A"}});
            }),
            u"A file table cannot hold the file name \"f\x1A\"");
}

}  // namespace
