// Rows: splitting a text into cells, copying, adding and clearing cells, and
// the row's change reports with nested updates.
#include <climits>

#include "datatable/TestUtil.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

struct RowReport {
  TDataTableChangeMode mode;
  const TCell* cell;
  bool operator==(const RowReport&) const = default;
};

void PrintTo(const RowReport& r, std::ostream* os) {
  *os << "{mode " << int(r.mode) << ", cell " << r.cell << "}";
}

// A row in no table that records its reports.
class RowReports : public testing::Test {
 protected:
  RowReports() {
    row.SetOnDataChanged([this](TRow& sender, TDataTableChangeMode mode, TCell* cell) {
      EXPECT_EQ(&sender, &row);
      reports.push_back({mode, cell});
    });
  }
  TRow row;
  std::vector<RowReport> reports;
};

struct SplitCase {
  std::u16string text;
  char16_t separator;
  Texts cells;
};

TEST(RowInit, SplitsAtEverySeparatorUpToUPlus0000) {
  const SplitCase cases[] = {
      {u"", u',', {u""}},
      {u",", u',', {u"", u""}},
      {u"a,,b,", u',', {u"a", u"", u"b", u""}},
      {u",a", u',', {u"", u"a"}},
      {u"a|b", u',', {u"a|b"}},
      {u"a|b", u'|', {u"a", u"b"}},
      {u" a , b\r\n", u',', {u" a ", u" b\r\n"}},
      {std::u16string(u"a,b\0,c", 6), u',', {u"a", u"b"}},
      {std::u16string(u"\0,c", 3), u',', {u""}},
      {u"a\x1A"
       u"b,c",
       u',',
       {u"a\x1A"
        u"b",
        u"c"}},
  };
  for (const SplitCase& c : cases) {
    TRow row;
    row.Init(u"old,cells,here", u',');
    row.Init(c.text, c.separator);
    EXPECT_EQ(TextsOf(row), c.cells) << testing::PrintToString(c.text);
    for (int i = 0; i < row.ItemCount(); ++i) EXPECT_EQ(&row.Items(i).Parent(), &row);
  }
}

TEST_F(RowReports, InitReportsOnceAtItsEnd) {
  row.Init(u"a,b", u',');
  row.Init(u"c,d,e", u',');
  EXPECT_EQ(reports, (std::vector<RowReport>{{cmRowInit, nullptr}, {cmRowInit, nullptr}}));
  EXPECT_TRUE(row.DataChanged());
}

TEST_F(RowReports, CopyFromTakesCellTextsOnly) {
  int payload = 0;
  row.Init(u"x", u',');
  row.SetTag(9);
  row.SetData(&payload);
  reports.clear();

  TDataTable source(u"", TColumnSet{0});
  source.Init(u"a,b,c");
  source.Items(0).Items(0).SetText(u"1,2");
  source.Items(0).SetTag(5);
  row.CopyFrom(source.Items(0));

  EXPECT_EQ(TextsOf(row), (Texts{u"1\x1A"
                                 u"2",
                                 u"b", u"c"}));
  EXPECT_EQ(row.Id(), -1);
  EXPECT_EQ(row.Tag(), 9);
  EXPECT_EQ(row.Data(), &payload);
  EXPECT_EQ(reports, (std::vector<RowReport>{{cmRowInit, nullptr}}));
}

TEST(RowCopyFrom, EmptySourceGivesOneEmptyCell) {
  TRow empty;
  TRow row;
  row.Init(u"a,b", u',');
  row.CopyFrom(empty);
  EXPECT_EQ(TextsOf(row), (Texts{u""}));
}

TEST(RowCopyFrom, CopyingItselfKeepsTheTexts) {
  TRow row;
  row.Init(u"a,b,c", u',');
  row.CopyFrom(row);
  EXPECT_EQ(TextsOf(row), (Texts{u"a", u"b", u"c"}));
}

TEST_F(RowReports, AddItemAppendsADecimalCell) {
  row.Init(u"a", u',');
  reports.clear();
  row.AddItem(42);
  row.AddItem(0);
  row.AddItem(INT_MIN);
  EXPECT_EQ(TextsOf(row), (Texts{u"a", u"42", u"0", u"-2147483648"}));
  EXPECT_EQ(reports, (std::vector<RowReport>{{cmCellAdd, &row.Items(1)},
                                             {cmCellAdd, &row.Items(2)},
                                             {cmCellAdd, &row.Items(3)}}));
}

TEST_F(RowReports, ClearReportsOnlyWhenThereWereCells) {
  row.Clear();
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(row.DataChanged());
  row.Init(u"a,b", u',');
  reports.clear();
  row.Clear();
  EXPECT_EQ(row.ItemCount(), 0);
  EXPECT_EQ(reports, (std::vector<RowReport>{{cmRowClear, nullptr}}));
}

TEST_F(RowReports, NestedUpdatesReportOnceWithTheOutermostArguments) {
  row.Init(u"a,b", u',');
  reports.clear();
  row.SetDataChanged(false);

  row.BeginUpdate();
  row.BeginUpdate();
  row.Items(0).SetText(u"x");
  row.Items(1).SetValue(3);
  row.EndUpdate(cmRowClear, &row.Items(0));
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(row.DataChanged());
  row.Items(1).SetText(u"y");
  row.EndUpdate(cmCellEdit, nullptr);

  EXPECT_EQ(reports, (std::vector<RowReport>{{cmCellEdit, nullptr}}));
  EXPECT_TRUE(row.DataChanged());
  row.Items(0).SetText(u"z");
  EXPECT_EQ(reports.size(), 2u);
}

TEST(RowItems, IndexOutOfBounds) {
  TRow row;
  row.Init(u"a,b,c", u',');
  const TRow& constRow = row;
  for (const int index : {-1, 3, INT_MIN, INT_MAX}) {
    const std::u16string expected = u"List index out of bounds (" + IntToStr(index) + u")";
    EXPECT_EQ(MessageOf([&] { row.Items(index); }), expected);
    EXPECT_EQ(MessageOf([&] { constRow.Items(index); }), expected);
  }
  EXPECT_THROW(row.Items(3), EListError);
  EXPECT_EQ(row.Items(2).GetIndex(), 2);
}

TEST(RowIData, HoldsOneReferenceUntilReplacedOrDestroyed) {
  auto first = std::make_shared<int>(1);
  auto second = std::make_shared<int>(2);
  std::weak_ptr<int> watchFirst = first, watchSecond = second;
  {
    TRow row;
    row.SetIData(std::move(first));
    EXPECT_EQ(watchFirst.use_count(), 1);
    row.SetIData(std::move(second));
    EXPECT_TRUE(watchFirst.expired());
    EXPECT_EQ(*static_cast<int*>(row.IData().get()), 2);
  }
  EXPECT_TRUE(watchSecond.expired());
}

TEST(RowAssign, IsNotSupported) {
  TRow row, other;
  EXPECT_EQ(MessageOf([&] { row.Assign(other); }), u"Cannot assign a TRow to a TRow");
  EXPECT_THROW(row.Assign(other), EConvertError);
}

}  // namespace
