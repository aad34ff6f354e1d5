// Tables: the text form, ids, the current row and column, copying, and the
// table's change reports.
#include <algorithm>
#include <random>

#include "datatable/TestUtil.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

const Texts kTenEmpty(10, u"");

struct TextFormCase {
  const char* name;
  std::u16string text;
  Grid rows;
  Texts property;  // the property row afterwards
};

TEST(TableInit, ReadsTheTextForm) {
  const TextFormCase cases[] = {
      {"empty text", u"", {{u""}}, kTenEmpty},
      {"header only", u"#T,5#", {}, {u"T", u"5"}},
      {"header and rows", u"#T,5#a,b|c", {{u"a", u"b"}, {u"c"}}, {u"T", u"5"}},
      {"header and empty rows", u"#T,5#||", {{u""}, {u""}, {u""}}, {u"T", u"5"}},
      {"empty header", u"##a", {{u"a"}}, {u""}},
      {"empty header only", u"##", {}, {u""}},
      {"header of empty cells", u"#,#|", {{u""}, {u""}}, {u"", u""}},
      {"no closing mark", u"#T,5", {{u"#T", u"5"}}, kTenEmpty},
      {"lone mark", u"#", {{u"#"}}, kTenEmpty},
      {"marks in the body", u"a#b|#c#", {{u"a#b"}, {u"#c#"}}, kTenEmpty},
      {"mark after the header", u"#T##x", {{u"#x"}}, {u"T"}},
      {"trailing bar", u"a|b|", {{u"a"}, {u"b"}, {u""}}, kTenEmpty},
      {"leading bar", u"|a", {{u""}, {u"a"}}, kTenEmpty},
      {"U+0000 ends the body", std::u16string(u"a|b\0c|d", 7), {{u"a"}, {u"b"}}, kTenEmpty},
      {"U+0000 first", std::u16string(u"\0a|b", 4), {{u""}}, kTenEmpty},
      {"U+0000 inside the header", std::u16string(u"#a\0b,c#d", 8), {{u"d"}}, {u"a"}},
      {"U+0000 right after the header", std::u16string(u"#T#\0a", 5), {{u""}}, {u"T"}},
      {"line breaks in cells", u"a,b\r\n|c", {{u"a", u"b\r\n"}, {u"c"}}, kTenEmpty},
      {"uneven rows",
       u"a,b,c|d||e,f",
       {{u"a", u"b", u"c"}, {u"d"}, {u""}, {u"e", u"f"}},
       kTenEmpty},
  };
  for (const TextFormCase& c : cases) {
    SCOPED_TRACE(c.name);
    TDataTable table(u"", TColumnSet{});
    table.Init(c.text);
    EXPECT_EQ(GridOf(table), c.rows);
    EXPECT_EQ(TextsOf(table.PropertyRow()), c.property);
  }
}

TEST(TableInit, EmptyTextKeepsTheHeaderOfBefore) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"#T,5#a");
  table.Init(u"");
  EXPECT_EQ(table.Name(), u"T");
  EXPECT_EQ(table.Value(), 5);
  EXPECT_EQ(GridOf(table), (Grid{{u""}}));
}

TEST(TableNameAndValue, ComeFromThePropertyRow) {
  TDataTable table(u"", TColumnSet{});
  EXPECT_EQ(table.Name(), u"");
  EXPECT_EQ(table.Value(), 0);
  table.Init(u"#Files,12,x#");
  EXPECT_EQ(table.Name(), u"Files");
  EXPECT_EQ(table.Value(), 12);
  table.Init(u"#Files#");
  EXPECT_EQ(table.Name(), u"Files");
  EXPECT_EQ(MessageOf([&] { table.Value(); }), u"List index out of bounds (1)");
  table.Init(u"#Files,abc#");
  EXPECT_EQ(MessageOf([&] { table.Value(); }), u"''abc'' is not a valid integer value");
}

TEST(TableInit, ConvertColumnsReadBackCommas) {
  const std::u16string text =
      u"a,x\x1Ay|b\x1A"
      u"c,d\x1B"
      u"e";
  TDataTable converted(u"", TColumnSet{1});
  converted.Init(text);
  EXPECT_EQ(GridOf(converted), (Grid{{u"a", u"x,y"},
                                     {u"b\x1A"
                                      u"c",
                                      u"d|e"}}));
  TDataTable plain(u"", TColumnSet{});
  plain.Init(text);
  EXPECT_EQ(GridOf(plain), (Grid{{u"a", u"x\x1Ay"},
                                 {u"b\x1A"
                                  u"c",
                                  u"d\x1B"
                                  u"e"}}));
}

// A table written in the text form reads back into the same cells when no
// cell holds a separator, no property cell a "#", and there is a row.
TEST(TableInit, ReadsBackWhatAWriterProduces) {
  const std::u16string alphabet = u"ab #\r\n\t\x1A\xE9";
  std::mt19937 random(20240501);
  auto pick = [&](int limit) { return std::uniform_int_distribution<int>(0, limit)(random); };
  auto cellText = [&](bool allowMark) {
    std::u16string text;
    for (int n = pick(4); n > 0; --n) {
      const char16_t c = alphabet[pick(static_cast<int>(alphabet.size()) - 1)];
      if (allowMark || c != u'#') text.push_back(c);
    }
    return text;
  };
  auto join = [](const Texts& cells) {
    std::u16string text;
    for (std::size_t i = 0; i < cells.size(); ++i) text += (i ? u"," : u"") + cells[i];
    return text;
  };
  for (int round = 0; round < 300; ++round) {
    Texts property;
    for (int n = pick(3) + 1; n > 0; --n) property.push_back(cellText(false));
    Grid rows;
    for (int r = pick(5) + 1; r > 0; --r) {
      rows.emplace_back();
      for (int n = pick(4) + 1; n > 0; --n) rows.back().push_back(cellText(true));
    }
    std::u16string text = u"#" + join(property) + u"#";
    for (std::size_t r = 0; r < rows.size(); ++r) text += (r ? u"|" : u"") + join(rows[r]);

    TDataTable table(u"", TColumnSet{});
    table.Init(text);
    ASSERT_EQ(TextsOf(table.PropertyRow()), property) << testing::PrintToString(text);
    ASSERT_EQ(GridOf(table), rows) << testing::PrintToString(text);
  }
}

// The rows that a text makes: one more than its row separators before any
// U+0000, after a header; none when a header is all there is.
int RowsOf(std::u16string_view text) {
  const std::size_t close = text.starts_with(u'#') ? text.find(u'#', 1) : text.npos;
  if (close != text.npos) {
    text.remove_prefix(close + 1);
    if (text.empty()) return 0;
  }
  text = text.substr(0, text.find(u'\0'));
  return static_cast<int>(std::count(text.begin(), text.end(), u'|')) + 1;
}

// Every text over the characters that matter, up to six long: the rows it
// implies, none without cells, no separator inside a cell, ids in order.
TEST(TableInit, AcceptsEveryText) {
  const std::u16string alphabet(u"#,|\0a", 5);
  std::u16string text;
  TDataTable table(u"", TColumnSet{1});
  std::function<void()> visit = [&] {
    table.Init(text);
    ASSERT_EQ(table.ItemCount(), RowsOf(text)) << testing::PrintToString(text);
    for (int r = 0; r < table.ItemCount(); ++r) {
      const TRow& row = table.Items(r);
      ASSERT_EQ(row.Id(), r + 1);
      ASSERT_GE(row.ItemCount(), 1) << testing::PrintToString(text);
      for (const std::u16string& cell : TextsOf(row)) {
        ASSERT_EQ(cell.find_first_of(std::u16string(u"|\0", 2)), cell.npos);
      }
    }
    for (const std::u16string& cell : TextsOf(table.PropertyRow())) {
      ASSERT_EQ(cell.find_first_of(u"#,"), cell.npos) << testing::PrintToString(text);
    }
    if (text.size() == 6) return;
    for (const char16_t c : alphabet) {
      text.push_back(c);
      visit();
      text.pop_back();
    }
  };
  visit();
}

TEST(TableInit, ReportsOnceAndMarksWhatItRead) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b|c");
  std::vector<std::string> events;
  table.SetOnDataChanged([&](TDataTable&, TDataTableChangeMode mode, TRow* row, TCell* cell,
                             std::int32_t d1, std::int32_t d2) {
    EXPECT_EQ(row, nullptr);
    EXPECT_EQ(cell, nullptr);
    EXPECT_EQ(d1, -1);
    EXPECT_EQ(d2, -1);
    events.push_back("data " + std::to_string(mode));
  });
  table.SetOnRowIndexChanged(
      [&](TDataTable&, int index) { events.push_back("row index " + std::to_string(index)); });

  table.SetRowIndex(1);
  table.SetDataChanged(false);
  events.clear();
  table.Init(u"x|y");
  EXPECT_EQ(events, (std::vector<std::string>{"row index -1", "data 16"}));
  EXPECT_EQ(table.RowIndex(), -1);
  EXPECT_TRUE(table.DataChanged());
  EXPECT_TRUE(table.Items(0).DataChanged());
  EXPECT_TRUE(table.Items(1).DataChanged());
  EXPECT_FALSE(table.PropertyRow().DataChanged());

  events.clear();
  table.Init(u"#N#z");
  EXPECT_EQ(events, (std::vector<std::string>{"data 16"}));
  EXPECT_TRUE(table.PropertyRow().DataChanged());
}

TEST(TableIds, CountFromOneAndRestart) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b|c");
  EXPECT_EQ(table.PropertyRow().Id(), 0);
  for (int id = 1; id <= 3; ++id) EXPECT_EQ(table.IndexOfId(id), id - 1);
  EXPECT_EQ(table.IndexOfId(0), -1);
  EXPECT_EQ(table.IndexOfId(4), -1);

  TRow loose;
  loose.Init(u"d", u',');
  EXPECT_EQ(table.AddItem(loose).Id(), 4);
  table.Init(u"x|y");
  EXPECT_EQ(table.Items(1).Id(), 2);
  table.Clear();
  EXPECT_EQ(table.AddItem(loose).Id(), 1);
}

TEST(TableAddItem, CopiesOrTakesOver) {
  TDataTable table(u"", TColumnSet{});
  std::vector<TableReport> reports;
  RecordReports(table, reports);

  TRow source;
  source.Init(u"a,b", u',');
  source.SetTag(3);
  TRow& copy = table.AddItem(source);
  EXPECT_NE(&copy, &source);
  EXPECT_EQ(source.Parent(), nullptr);
  EXPECT_EQ(source.Id(), -1);
  EXPECT_EQ(copy.Parent(), &table);
  EXPECT_EQ(TextsOf(copy), (Texts{u"a", u"b"}));
  EXPECT_EQ(copy.Tag(), 0);

  auto owned = std::make_unique<TRow>();
  owned->Init(u"c", u',');
  TRow* raw = owned.get();
  TRow& taken = table.AddItem(std::move(owned));
  EXPECT_EQ(&taken, raw);
  EXPECT_EQ(taken.Parent(), &table);
  EXPECT_EQ(taken.Id(), 2);
  EXPECT_EQ(taken.GetIndex(), 1);

  EXPECT_EQ(reports, (std::vector<TableReport>{{cmRowAdd, &copy, nullptr, -1, -1},
                                               {cmRowAdd, &taken, nullptr, -1, -1}}));
}

TEST(TableRowIndex, MarksTheCurrentRow) {
  struct Step {
    int write;
    std::vector<int> callbacks;
    int rowIndex;
  };
  const Step steps[] = {
      {1, {1}, 1},    {1, {}, 1},   {2, {2}, 2}, {7, {-1}, -1},
      {-5, {-1}, -1}, {-1, {}, -1}, {0, {0}, 0},
  };
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b|c");
  std::vector<int> callbacks;
  table.SetOnRowIndexChanged([&](TDataTable& sender, int index) {
    EXPECT_EQ(&sender, &table);
    callbacks.push_back(index);
  });
  for (const Step& step : steps) {
    SCOPED_TRACE(step.write);
    callbacks.clear();
    table.SetRowIndex(step.write);
    EXPECT_EQ(callbacks, step.callbacks);
    EXPECT_EQ(table.RowIndex(), step.rowIndex);
    for (int r = 0; r < table.ItemCount(); ++r)
      EXPECT_EQ(table.Items(r).IsIndex(), r == step.rowIndex);
  }
}

TEST(TableRowIndex, ClearResetsItAtOnceEvenInsideAnUpdate) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b");
  std::vector<int> callbacks;
  table.SetOnRowIndexChanged([&](TDataTable&, int index) { callbacks.push_back(index); });
  table.SetRowIndex(1);
  table.BeginUpdate();
  table.Clear();
  EXPECT_EQ(callbacks, (std::vector<int>{1, -1}));
  table.Clear();
  EXPECT_EQ(callbacks.size(), 2u);
  table.EndUpdate(cmTableClear, nullptr, nullptr, -1, -1);
}

TEST(TableColIndex, IsCheckedAgainstTheFirstRow) {
  TDataTable table(u"", TColumnSet{});
  table.Clear();
  table.SetColIndex(0);
  EXPECT_EQ(table.ColIndex(), -1);
  table.Init(u"a,b,c|d");
  const std::pair<int, int> writes[] = {{2, 2}, {3, -1}, {0, 0}, {-1, -1}, {-7, -1}};
  for (const auto& [write, read] : writes) {
    table.SetColIndex(write);
    EXPECT_EQ(table.ColIndex(), read) << write;
  }
}

TEST(TableCopyFrom, CopiesRowsAndOptionallyThePropertyRow) {
  TDataTable source(u"key", TColumnSet{0});
  source.Init(u"#S,9#r1|r2|r3|r4|r5");
  source.SetIOMode(3);

  struct CopyCase {
    bool includeProp;
    int maxCount;
    Grid rows;
    Texts property;
  };
  const Grid all = {{u"r1"}, {u"r2"}, {u"r3"}, {u"r4"}, {u"r5"}};
  const CopyCase cases[] = {
      {false, 2, {{u"r1"}, {u"r2"}}, {u"T", u"1"}},
      {true, 0, all, {u"S", u"9"}},
      {false, -1, all, {u"T", u"1"}},
      {true, 9, all, {u"S", u"9"}},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.maxCount);
    TDataTable table(u"", TColumnSet{});
    table.Init(u"#T,1#old|rows|here");
    std::vector<TableReport> reports;
    RecordReports(table, reports);
    table.CopyFrom(source, c.includeProp, c.maxCount);
    EXPECT_EQ(GridOf(table), c.rows);
    EXPECT_EQ(TextsOf(table.PropertyRow()), c.property);
    for (int r = 0; r < table.ItemCount(); ++r) EXPECT_EQ(table.Items(r).Id(), r + 1);
    EXPECT_EQ(reports, (std::vector<TableReport>{{cmTableInit, nullptr, nullptr, -1, -1}}));
    EXPECT_EQ(table.Key(), u"");
    EXPECT_EQ(table.ConvertSet(), TColumnSet{});
    EXPECT_EQ(table.IOMode(), 2);
  }
  EXPECT_EQ(source.ItemCount(), 5);
}

TEST(TableCopyFrom, CopyingItselfKeepsTheRows) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"#T#a|b|c");
  table.CopyFrom(table, true, 2);
  EXPECT_EQ(GridOf(table), (Grid{{u"a"}, {u"b"}}));
  EXPECT_EQ(table.Name(), u"T");
}

TEST(TableReports, CellEditsReachTheRowThenTheTable) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a,b|c");
  TRow& row = table.Items(0);
  std::vector<std::string> order;
  row.SetOnDataChanged([&](TRow&, TDataTableChangeMode, TCell*) { order.push_back("row"); });
  std::vector<TableReport> reports;
  table.SetOnDataChanged([&](TDataTable&, TDataTableChangeMode mode, TRow* r, TCell* cell,
                             std::int32_t d1, std::int32_t d2) {
    order.push_back("table");
    reports.push_back({mode, r, cell, d1, d2});
  });

  row.Items(1).SetText(u"x");
  table.Items(1).AddItem(4);
  EXPECT_EQ(order, (std::vector<std::string>{"row", "table", "table"}));
  EXPECT_EQ(reports, (std::vector<TableReport>{
                         {cmCellEdit, &row, &row.Items(1), -1, -1},
                         {cmCellAdd, &table.Items(1), &table.Items(1).Items(1), -1, -1}}));
}

TEST(TableReports, PropertyRowChangesArePropChanges) {
  TDataTable table(u"", TColumnSet{});
  std::vector<TableReport> reports;
  RecordReports(table, reports);
  TRow& prop = table.PropertyRow();
  table.SetName(u"N");
  table.SetValue(5);
  table.SetValue(5);
  prop.Items(4).SetText(u"free");
  EXPECT_EQ(reports, (std::vector<TableReport>{{cmPropChange, &prop, &prop.Items(0), -1, -1},
                                               {cmPropChange, &prop, &prop.Items(1), -1, -1},
                                               {cmPropChange, &prop, &prop.Items(4), -1, -1}}));
  reports.clear();
  prop.Init(u"a,b", u',');
  EXPECT_EQ(reports, (std::vector<TableReport>{{cmPropChange, &prop, nullptr, -1, -1}}));
  EXPECT_TRUE(table.DataChanged());
}

TEST(TableReports, UpdatesHoldReportsBack) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b");
  table.SetDataChanged(false);
  std::vector<TableReport> reports;
  RecordReports(table, reports);
  table.BeginUpdate();
  table.BeginUpdate();
  table.Items(0).Items(0).SetText(u"x");
  table.SetName(u"N");
  table.Init(u"c");
  table.EndUpdate(cmDirect, nullptr, nullptr, 1, 2);
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(table.DataChanged());
  table.EndUpdate(cmLoad, &table.Items(0), nullptr, 3, 4);
  EXPECT_EQ(reports, (std::vector<TableReport>{{cmLoad, &table.Items(0), nullptr, 3, 4}}));
}

TEST(TableDataChanged, WritingFalseClearsEverythingSilently) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"#N#a|b");
  std::vector<TableReport> reports;
  RecordReports(table, reports);
  table.SetDataChanged(false);
  EXPECT_FALSE(table.DataChanged());
  EXPECT_FALSE(table.PropertyRow().DataChanged());
  EXPECT_FALSE(table.Items(0).DataChanged());
  EXPECT_FALSE(table.Items(1).DataChanged());
  EXPECT_TRUE(reports.empty());

  table.SetDataChanged(true);
  EXPECT_TRUE(table.DataChanged());
  EXPECT_FALSE(table.Items(0).DataChanged());
  EXPECT_EQ(reports, (std::vector<TableReport>{{cmDirect, nullptr, nullptr, -1, -1}}));
}

TEST(TableReports, PreventEventSilencesOnlyTheCallback) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a");
  table.SetDataChanged(false);
  std::vector<TableReport> reports;
  RecordReports(table, reports);
  table.SetPreventEvent(true);
  table.Items(0).Items(0).SetText(u"b");
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(table.DataChanged());
  table.SetPreventEvent(false);
  table.Items(0).Items(0).SetText(u"c");
  EXPECT_EQ(reports.size(), 1u);
}

// A failing callback inside Init must not leave the update open.
TEST(TableInit, ClosesItsUpdateWhenItFails) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b");
  table.SetRowIndex(0);
  table.SetOnRowIndexChanged([](TDataTable&, int) { throw EConvertError(u"stop"); });
  std::vector<TableReport> reports;
  RecordReports(table, reports);
  EXPECT_EQ(MessageOf([&] { table.Init(u"c|d"); }), u"stop");
  EXPECT_EQ(reports, (std::vector<TableReport>{{cmTableInit, nullptr, nullptr, -1, -1}}));
  table.SetName(u"after");
  EXPECT_EQ(reports.size(), 2u);
}

TEST(TableClear, ReportsOnlyWhenThereWereRows) {
  TDataTable table(u"", TColumnSet{});
  std::vector<TableReport> reports;
  RecordReports(table, reports);
  table.Clear();
  EXPECT_TRUE(reports.empty());
  table.Init(u"a|b");
  table.SetName(u"N");
  reports.clear();
  table.Clear();
  EXPECT_EQ(table.ItemCount(), 0);
  EXPECT_EQ(table.Name(), u"N");
  EXPECT_EQ(reports, (std::vector<TableReport>{{cmTableClear, nullptr, nullptr, -1, -1}}));
}

TEST(TableItems, IndexOutOfBounds) {
  TDataTable table(u"", TColumnSet{});
  table.Init(u"a|b");
  const TDataTable& constTable = table;
  for (const int index : {-1, 2}) {
    const std::u16string expected = u"List index out of bounds (" + IntToStr(index) + u")";
    EXPECT_EQ(MessageOf([&] { table.Items(index); }), expected);
    EXPECT_EQ(MessageOf([&] { constTable.Items(index); }), expected);
  }
  EXPECT_THROW(table.Items(2), EListError);
}

TEST(TableAssign, IsNotSupported) {
  TDataTable table(u"", TColumnSet{});
  TDataTables tables;
  EXPECT_EQ(MessageOf([&] { table.Assign(tables); }),
            u"Cannot assign a TDataTables to a TDataTable");
  EXPECT_EQ(MessageOf([&] { table.Assign(table); }), u"Cannot assign a TDataTable to a TDataTable");
}

}  // namespace
