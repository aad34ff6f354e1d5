// The table collection: adding, copying, assigning and clearing tables, and
// the reports gathered from its tables.
#include "datatable/TestUtil.h"
#include "support/Errors.h"

namespace {

struct TablesReport {
  TDataTableChangeMode mode;
  int tCount;
  const TDataTable* table;
  int index;
  bool operator==(const TablesReport&) const = default;
};

void PrintTo(const TablesReport& r, std::ostream* os) {
  *os << "{mode " << int(r.mode) << ", " << r.tCount << ", table " << r.table << ", " << r.index
      << "}";
}

// A collection that records its reports.
class Collection : public testing::Test {
 protected:
  Collection() {
    tables.SetOnDataChanged([this](TDataTables& sender, TDataTableChangeMode mode, int tCount,
                                   TDataTable* table, int index) {
      EXPECT_EQ(&sender, &tables);
      reports.push_back({mode, tCount, table, index});
    });
  }

  static std::unique_ptr<TDataTable> NewTable(std::u16string_view text) {
    auto table = std::make_unique<TDataTable>(u"", TColumnSet{});
    table->Init(text);
    return table;
  }

  TDataTables tables;
  std::vector<TablesReport> reports;
};

TEST_F(Collection, AddItemCopiesRowsByTheirStoredText) {
  TDataTable source(u"key", TColumnSet{1});
  source.Init(u"#T,5#a,b|c|d");
  source.Items(0).Items(1).SetText(u"x,y");

  TDataTable& copy = tables.AddItem(source);
  EXPECT_NE(&copy, &source);
  EXPECT_EQ(copy.Parent(), &tables);
  EXPECT_EQ(source.Parent(), nullptr);
  EXPECT_EQ(GridOf(copy), (Grid{{u"a", u"x\x1Ay"}, {u"c"}, {u"d"}}));
  for (int r = 0; r < copy.ItemCount(); ++r) EXPECT_EQ(copy.Items(r).Id(), r + 1);
  EXPECT_EQ(copy.Name(), u"");
  EXPECT_EQ(copy.Value(), 0);
  EXPECT_EQ(copy.Key(), u"");
  EXPECT_EQ(copy.ConvertSet(), TColumnSet{});
  EXPECT_EQ(reports, (std::vector<TablesReport>{{cmTableAdd, 1, &copy, 0}}));
  EXPECT_EQ(GridOf(source), (Grid{{u"a", u"x,y"}, {u"c"}, {u"d"}}));
}

TEST_F(Collection, TakenOverTablesReportWithTheirPosition) {
  tables.AddItem(NewTable(u"a"));
  auto owned = NewTable(u"b|c");
  TDataTable* raw = owned.get();
  TDataTable& second = tables.AddItem(std::move(owned));
  EXPECT_EQ(&second, raw);
  EXPECT_EQ(second.Parent(), &tables);
  EXPECT_EQ(second.GetIndex(), 1);
  EXPECT_EQ(tables.Items(0).GetIndex(), 0);
  reports.clear();

  second.Items(1).Items(0).SetText(u"x");
  second.SetName(u"N");
  second.SetPreventEvent(true);
  second.SetDataChanged(true);
  EXPECT_EQ(reports, (std::vector<TablesReport>{{cmCellEdit, 1, &second, 1},
                                                {cmPropChange, 1, &second, 1},
                                                {cmDirect, 1, &second, 1}}));
}

TEST_F(Collection, UpdatesHoldTableReportsBack) {
  TDataTable& table = tables.AddItem(NewTable(u"a"));
  reports.clear();
  tables.SetDataChanged(false);
  tables.BeginUpdate();
  table.SetName(u"N");
  table.Init(u"b|c");
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(tables.DataChanged());
  tables.EndUpdate(cmLoad, 7, &table, -1);
  EXPECT_EQ(reports, (std::vector<TablesReport>{{cmLoad, 7, &table, 0}}));
}

TEST_F(Collection, ClearReportsOnlyWhenThereWereTables) {
  tables.Clear();
  EXPECT_TRUE(reports.empty());
  tables.AddItem(NewTable(u"a"));
  tables.AddItem(NewTable(u"b"));
  tables.PropertyRow().Items(0).SetText(u"kept");
  reports.clear();
  tables.Clear();
  EXPECT_EQ(tables.ItemCount(), 0);
  EXPECT_EQ(tables.PropertyRow().Items(0).Text(), u"kept");
  EXPECT_EQ(reports, (std::vector<TablesReport>{{cmTablesClear, -1, nullptr, -1}}));
}

TEST_F(Collection, CopyFromCopiesUpToMaxCountTables) {
  TDataTables source;
  for (const auto* text : {u"a", u"b|c", u"d"}) source.AddItem(NewTable(text));
  struct CopyCase {
    int maxCount;
    std::vector<Grid> grids;
  };
  const CopyCase cases[] = {
      {2, {{{u"a"}}, {{u"b"}, {u"c"}}}},
      {0, {{{u"a"}}, {{u"b"}, {u"c"}}, {{u"d"}}}},
      {-3, {{{u"a"}}, {{u"b"}, {u"c"}}, {{u"d"}}}},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.maxCount);
    tables.AddItem(NewTable(u"old"));
    reports.clear();
    tables.CopyFrom(source, c.maxCount);
    std::vector<Grid> grids;
    for (int i = 0; i < tables.ItemCount(); ++i) {
      EXPECT_EQ(tables.Items(i).Parent(), &tables);
      EXPECT_NE(&tables.Items(i), &source.Items(i));
      grids.push_back(GridOf(tables.Items(i)));
    }
    EXPECT_EQ(grids, c.grids);
    EXPECT_EQ(reports, (std::vector<TablesReport>{{cmTablesInit, -1, nullptr, -1}}));
  }
}

TEST_F(Collection, CopyingItselfKeepsTheTables) {
  tables.AddItem(NewTable(u"a"));
  tables.AddItem(NewTable(u"b"));
  tables.CopyFrom(tables, 0);
  ASSERT_EQ(tables.ItemCount(), 2);
  EXPECT_EQ(GridOf(tables.Items(1)), (Grid{{u"b"}}));
  tables.Assign(tables);
  EXPECT_EQ(tables.ItemCount(), 2);
}

TEST_F(Collection, AssignCopiesTablesPropertyRowAndTag) {
  TDataTables source;
  source.AddItem(NewTable(u"#S#a|b"));
  source.AddItem(NewTable(u"c"));
  source.PropertyRow().Init(u"p,q", u',');
  source.SetTag(42);
  source.SetFileName(u"source.dat");
  source.SetIsEncrypt(true);
  tables.SetFileName(u"mine.dat");

  tables.Assign(source);
  ASSERT_EQ(tables.ItemCount(), 2);
  EXPECT_EQ(GridOf(tables.Items(0)), (Grid{{u"a"}, {u"b"}}));
  EXPECT_EQ(tables.Items(0).Name(), u"");
  EXPECT_EQ(TextsOf(tables.PropertyRow()), (Texts{u"p", u"q"}));
  EXPECT_EQ(tables.Tag(), 42);
  EXPECT_EQ(tables.FileName(), u"mine.dat");
  EXPECT_FALSE(tables.IsEncrypt());
  EXPECT_EQ(reports, (std::vector<TablesReport>{{cmTablesInit, -1, nullptr, -1}}));
  EXPECT_EQ(source.ItemCount(), 2);
}

TEST_F(Collection, AssignFromAnythingElseFails) {
  TDataTable table(u"", TColumnSet{});
  TRow row;
  EXPECT_EQ(MessageOf([&] { tables.Assign(table); }),
            u"Cannot assign a TDataTable to a TDataTables");
  EXPECT_EQ(MessageOf([&] { tables.Assign(row); }), u"Cannot assign a TRow to a TDataTables");
  EXPECT_THROW(tables.Assign(table), EConvertError);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Collection, DataChangedFalseClearsTablesAndTheirRows) {
  TDataTable& table = tables.AddItem(NewTable(u"#N#a|b"));
  tables.PropertyRow().Items(0).SetText(u"x");
  reports.clear();
  tables.SetDataChanged(false);
  EXPECT_FALSE(tables.DataChanged());
  EXPECT_FALSE(tables.PropertyRow().DataChanged());
  EXPECT_FALSE(table.DataChanged());
  EXPECT_FALSE(table.PropertyRow().DataChanged());
  EXPECT_FALSE(table.Items(1).DataChanged());
  EXPECT_TRUE(reports.empty());

  tables.SetDataChanged(true);
  EXPECT_TRUE(tables.DataChanged());
  EXPECT_FALSE(table.DataChanged());
  EXPECT_EQ(reports, (std::vector<TablesReport>{{cmDirect, -1, nullptr, -1}}));
}

TEST(CollectionWithoutCallback, ReportsStillSetDataChanged) {
  TDataTables tables;
  auto owned = std::make_unique<TDataTable>(u"", TColumnSet{});
  TDataTable& table = tables.AddItem(std::move(owned));
  tables.SetDataChanged(false);
  table.SetName(u"N");
  EXPECT_TRUE(tables.DataChanged());
}

TEST(CollectionItems, IndexOutOfBounds) {
  TDataTables tables;
  const TDataTables& constTables = tables;
  EXPECT_EQ(MessageOf([&] { tables.Items(0); }), u"List index out of bounds (0)");
  EXPECT_EQ(MessageOf([&] { constTables.Items(-1); }), u"List index out of bounds (-1)");
  EXPECT_THROW(tables.Items(0), EListError);
}

}  // namespace
