// Cells: the integer and boolean readings, writing them, and the rewrite of
// convert columns.
#include <climits>

#include "datatable/TestUtil.h"
#include "support/Text.h"

namespace {

// A cell of a row in no table, holding text.
struct LooseCell {
  explicit LooseCell(std::u16string_view text) {
    row.Init(u"", u',');
    row.Items(0).SetText(text);
    row.SetDataChanged(false);
  }
  TCell& cell() { return row.Items(0); }
  TRow row;
};

struct IntegerCase {
  std::u16string text;
  std::int32_t value;
};

TEST(CellValue, ReadsIntegerTexts) {
  const IntegerCase cases[] = {
      {u"0", 0},
      {u"12", 12},
      {u"  12", 12},
      {u"+7", 7},
      {u" -5", -5},
      {u"007", 7},
      {u"2147483647", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"$1F", 31},
      {u"x1F", 31},
      {u"X1f", 31},
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"$abcdef", 0xABCDEF},
      {u"$FFFFFFFF", -1},
      {u"$80000000", INT_MIN},
      {u"$0000001F", 31},
      {u"-$10", -16},
      {u" +0x10", 16},
  };
  for (const IntegerCase& c : cases) {
    LooseCell loose(c.text);
    EXPECT_EQ(loose.cell().Value(), c.value) << testing::PrintToString(c.text);
  }
}

TEST(CellValue, RejectsOtherTextsAndKeepsThem) {
  const std::u16string cases[] = {
      u"12 ",         u"-",   u"+",   u"  ",   u"2147483648", u"-2147483649",
      u"99999999999", u"1.5", u"1 2", u"--1",  u"+-1",        u"\t1",
      u"$",           u"x",   u"0x",  u"-$",   u"$123456789", u"$1G",
      u"$-1",         u"1e3", u"abc", u"0x 1", u"TRUE",       std::u16string(u"1\0", 2),
  };
  for (const std::u16string& text : cases) {
    LooseCell loose(text);
    EXPECT_EQ(MessageOf([&] { loose.cell().Value(); }),
              u"''" + text + u"'' is not a valid integer value")
        << testing::PrintToString(text);
    EXPECT_EQ(loose.cell().Text(), text);
  }
}

struct BoolCase {
  std::u16string text;
  bool value;
};

TEST(CellAsBool, ReadsNumbersAndWords) {
  const std::u16string sep(1, DecimalSeparator());
  const BoolCase cases[] = {
      {u"-1", true},
      {u"1", true},
      {u"2", true},
      {u"0", false},
      {u"-0", false},
      {u"00", false},
      {u" 0 ", false},
      {u"0" + sep + u"5", true},
      {u"0" + sep + u"000", false},
      {sep + u"5", true},
      {u"5" + sep, true},
      {u"1E3", true},
      {u"1e-3", true},
      {u"0E+10", false},
      {u"  +3 ", true},
      {u"True", true},
      {u"tRUE", true},
      {u"False", false},
      {u"FALSE", false},
  };
  for (const BoolCase& c : cases) {
    LooseCell loose(c.text);
    EXPECT_EQ(loose.cell().AsBool(), c.value) << testing::PrintToString(c.text);
  }
}

TEST(CellAsBool, RejectsOtherTextsAndKeepsThem) {
  const std::u16string other(1, DecimalSeparator() == u'.' ? u',' : u'.');
  const std::u16string cases[] = {
      u"yes",
      u"T",
      u"Truth",
      u" True",
      u"false ",
      u"1E",
      u"1E+",
      u"--1",
      u"-",
      u"1 2",
      u"1" + other + u"5",
      std::u16string(1, DecimalSeparator()),
      u"$1",
  };
  for (const std::u16string& text : cases) {
    LooseCell loose(text);
    EXPECT_EQ(MessageOf([&] { loose.cell().AsBool(); }),
              u"'" + text + u"' is not a valid boolean value")
        << testing::PrintToString(text);
    EXPECT_EQ(loose.cell().Text(), text);
  }
}

// Reading an empty cell as a number stores "0" without a report.
TEST(CellReading, EmptyTextBecomesZeroQuietly) {
  const std::function<void(TCell&)> readers[] = {
      [](TCell& cell) { EXPECT_EQ(cell.Value(), 0); },
      [](TCell& cell) { EXPECT_FALSE(cell.AsBool()); },
  };
  for (const auto& read : readers) {
    TDataTable table(u"", TColumnSet{});
    table.Init(u"");
    TRow& row = table.Items(0);
    row.SetDataChanged(false);
    table.SetDataChanged(false);
    int rowReports = 0;
    std::vector<TableReport> reports;
    row.SetOnDataChanged([&](TRow&, TDataTableChangeMode, TCell*) { ++rowReports; });
    RecordReports(table, reports);

    read(row.Items(0));

    EXPECT_EQ(row.Items(0).Text(), u"0");
    EXPECT_EQ(rowReports, 0);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(row.DataChanged());
    EXPECT_FALSE(table.DataChanged());
  }
}

struct WriteCase {
  const char* name;
  std::u16string before;
  std::function<void(TCell&)> write;
  std::u16string after;
  bool reported;
};

TEST(CellWriting, NumbersAndBooleansAsText) {
  const WriteCase cases[] = {
      {"value into empty", u"", [](TCell& c) { c.SetValue(7); }, u"7", true},
      {"same value", u"7", [](TCell& c) { c.SetValue(7); }, u"7", false},
      {"negative value", u"x", [](TCell& c) { c.SetValue(-12); }, u"-12", true},
      {"smallest value", u"", [](TCell& c) { c.SetValue(INT_MIN); }, u"-2147483648", true},
      {"same number, other text", u"+7", [](TCell& c) { c.SetValue(7); }, u"7", true},
      {"true", u"", [](TCell& c) { c.SetAsBool(true); }, u"-1", true},
      {"true over -1", u"-1", [](TCell& c) { c.SetAsBool(true); }, u"-1", false},
      {"true over 1", u"1", [](TCell& c) { c.SetAsBool(true); }, u"-1", true},
      {"false", u"True", [](TCell& c) { c.SetAsBool(false); }, u"0", true},
      {"false over 0", u"0", [](TCell& c) { c.SetAsBool(false); }, u"0", false},
      {"same text", u"abc", [](TCell& c) { c.SetText(u"abc"); }, u"abc", false},
      {"other text", u"abc", [](TCell& c) { c.SetText(u"abd"); }, u"abd", true},
      {"empty text", u"abc", [](TCell& c) { c.SetText(u""); }, u"", true},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    LooseCell loose(c.before);
    std::vector<TCell*> reported;
    loose.row.SetOnDataChanged([&](TRow&, TDataTableChangeMode mode, TCell* cell) {
      EXPECT_EQ(mode, cmCellEdit);
      reported.push_back(cell);
    });
    c.write(loose.cell());
    EXPECT_EQ(loose.cell().Text(), c.after);
    EXPECT_EQ(reported, c.reported ? std::vector<TCell*>{&loose.cell()} : std::vector<TCell*>{});
    EXPECT_EQ(loose.row.DataChanged(), c.reported);
  }
}

// A table of one row "a,b,c" whose column 1 is a convert column.
class ConvertColumn : public testing::Test {
 protected:
  ConvertColumn() { table.Init(u"a,b,c"); }
  TCell& Cell(int index) { return table.Items(0).Items(index); }

  TDataTable table{u"", TColumnSet{1}};
};

struct ConvertCase {
  const char* name;
  std::int32_t ioMode;
  TColumnSet reserveLF;
  std::u16string written;
  std::u16string stored;
  std::u16string read;
};

TEST_F(ConvertColumn, WritingRewritesTheStoredText) {
  const std::u16string tabs = u"a\tb\r\nc";
  const ConvertCase cases[] = {
      {"comma and bar",
       2,
       {},
       u"a,b|c",
       u"a\x1A"
       u"b\x1B"
       u"c",
       u"a,b|c"},
      {"line breaks", 2, {}, tabs, u"a b  c", u"a b  c"},
      {"line breaks kept by IOMode", 3, {}, tabs, tabs, tabs},
      {"line breaks kept by the column", 2, {1}, tabs, tabs, tabs},
      {"another column keeps them", 2, {0, 2}, tabs, u"a b  c", u"a b  c"},
      {"other IOMode bits", 6, {}, tabs, u"a b  c", u"a b  c"},
      {"control characters", 3, {}, u"\x01\x08\x0B\x0C\x0E\x1A\x1B\x1F", u"        ", u"        "},
      {"cut at U+0000", 2, {}, std::u16string(u"ab\0c,d", 6), u"ab", u"ab"},
      {"other characters",
       2,
       {},
       u"#\x7F\x20AC\xD83D\xDE00",
       u"#\x7F\x20AC\xD83D\xDE00",
       u"#\x7F\x20AC\xD83D\xDE00"},
  };
  for (const ConvertCase& c : cases) {
    SCOPED_TRACE(c.name);
    table.SetIOMode(c.ioMode);
    table.SetReserveLFSet(c.reserveLF);
    Cell(1).SetText(u"old");
    Cell(1).SetText(c.written);
    EXPECT_EQ(StoredText(Cell(1)), c.stored);
    EXPECT_EQ(Cell(1).Text(), c.read);
  }
}

TEST_F(ConvertColumn, OtherCellsStoreTheTextAsWritten) {
  const std::u16string text(u"a,\tb|\x01\0c", 8);
  TRow loose;
  loose.Init(u"x", u',');
  TRow* rows[] = {&table.Items(0), &loose};
  for (TRow* row : rows) {
    row->Items(0).SetText(text);
    EXPECT_EQ(StoredText(row->Items(0)), text);
    EXPECT_EQ(row->Items(0).Text(), text);
  }
}

TEST_F(ConvertColumn, ReadingShowsCommasAndBarsUpToUPlus0000) {
  const std::u16string stored(u"x\x1Ay\x1B\0\x1A", 6);
  TRow source;
  source.Init(u"a,b", u',');
  source.Items(1).SetText(stored);
  table.AddItem(source);
  EXPECT_EQ(table.Items(1).Items(1).Text(), std::u16string(u"x,y|\0\x1A", 6));
  EXPECT_EQ(table.Items(1).Items(0).Text(), u"a");
}

TEST_F(ConvertColumn, TextThatRewritesToTheStoredOneReportsNothing) {
  Cell(1).SetText(u"a b");
  int reports = 0;
  table.SetOnDataChanged([&](TDataTable&, TDataTableChangeMode, TRow*, TCell*, std::int32_t,
                             std::int32_t) { ++reports; });
  Cell(1).SetText(u"a\tb");
  Cell(1).SetText(std::u16string(u"a b\0x", 5));
  EXPECT_EQ(reports, 0);
  Cell(1).SetText(u"a,b");
  EXPECT_EQ(reports, 1);
}

TEST(ConvertColumnIndex, OnlyColumnsUpTo103Convert) {
  TColumnSet all;
  for (int column = -1; column <= 200; ++column) all.Include(column);
  EXPECT_FALSE(all.Contains(-1));
  EXPECT_TRUE(all.Contains(0));
  EXPECT_TRUE(all.Contains(103));
  EXPECT_FALSE(all.Contains(104));

  TDataTable table(u"", all);
  table.Init(std::u16string(104, u','));  // 105 cells
  TRow& row = table.Items(0);
  row.Items(103).SetText(u"a,b");
  row.Items(104).SetText(u"a,b");
  EXPECT_EQ(StoredText(row.Items(103)),
            u"a\x1A"
            u"b");
  EXPECT_EQ(StoredText(row.Items(104)), u"a,b");
}

TEST(ColumnSet, IncludeAndExclude) {
  TColumnSet set{1, 5, 103, 104, -3};
  EXPECT_EQ(set, (TColumnSet{5, 1, 103}));
  set.Exclude(5);
  set.Exclude(104);
  EXPECT_EQ(set, (TColumnSet{1, 103}));
  EXPECT_FALSE(set.Contains(5));
  EXPECT_EQ(TColumnSet{}, TColumnSet{200});
}

}  // namespace
