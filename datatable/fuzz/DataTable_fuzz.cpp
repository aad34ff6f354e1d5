// Table texts of any units: Init accepts every text, and every cell then reads
// as text, integer and boolean with nothing but the library's own errors.
//
// Input: one byte of options, two convert columns, a keep-line-break column,
// then the text: one unit per byte, or UTF-16LE when option bit 1 is set.
// Option bit 0 sets IOMode bit 0.
#include <cstdint>
#include <string>

#include "datatable/DataTable.h"
#include "support/Errors.h"
#include "support/fuzz/FuzzTesting.h"

namespace {

using fuzztesting::Fail;

struct TInput {
  std::uint8_t options = 0;
  TColumnSet convertSet;
  TColumnSet reserveLFSet;
  std::u16string text;
};

TInput ReadInput(const std::uint8_t* data, std::size_t size) {
  TInput input;
  if (size < 4) return input;
  input.options = data[0];
  input.convertSet = TColumnSet{data[1], data[2]};
  input.reserveLFSet = TColumnSet{data[3]};
  input.text = fuzztesting::UnitsOf(data + 4, size - 4, (input.options & 2) != 0);
  return input;
}

void ReadEveryView(TCell& cell) {
  cell.Text();
  try {
    cell.Value();
  } catch (const EConvertError&) {
  }
  try {
    cell.AsBool();
  } catch (const EConvertError&) {
  }
}

void ReadEveryCell(TRow& row) {
  if (row.ItemCount() == 0) Fail("a row without cells");
  for (int i = 0; i < row.ItemCount(); ++i) ReadEveryView(row.Items(i));
  try {
    row.Items(row.ItemCount());
    Fail("no list error past the last cell");
  } catch (const EListError&) {
  }
}

bool KeepsBreaks(const TDataTable& table, int column) {
  return (table.IOMode() & 1) != 0 || table.ReserveLFSet().Contains(column);
}

// What a convert column gives back after its reading is written to it: the
// same text with control characters as spaces, line breaks kept on request.
// A reading without "," or "|" is the stored text itself, which a write of
// the same text leaves alone.
std::u16string AfterRewrite(std::u16string text, bool keepBreaks) {
  if (text.find_first_of(u",|") == std::u16string::npos) return text;
  for (char16_t& c : text) {
    const bool lineBreak = c == u'\t' || c == u'\n' || c == u'\r';
    if (c < 0x20 && !(lineBreak && keepBreaks)) c = u' ';
  }
  return text;
}

void RewriteConvertColumns(TDataTable& table, TRow& row) {
  for (int i = 0; i < row.ItemCount(); ++i) {
    if (!table.ConvertSet().Contains(i)) continue;
    TCell& cell = row.Items(i);
    const std::u16string read = cell.Text();
    cell.SetText(read);
    if (cell.Text() != AfterRewrite(read, KeepsBreaks(table, i))) {
      Fail("a convert column does not read back what was written");
    }
  }
}

std::u16string JoinCells(const TRow& row) {
  std::u16string text;
  for (int i = 0; i < row.ItemCount(); ++i) {
    if (i > 0) text += u',';
    text += row.Items(i).Text();
  }
  return text;
}

// The table's text form built from its stored cells, always with a header.
std::u16string TextForm(const TDataTable& table) {
  std::u16string text = u"#" + JoinCells(table.PropertyRow()) + u"#";
  for (int i = 0; i < table.ItemCount(); ++i) {
    if (i > 0) text += u'|';
    text += JoinCells(table.Items(i));
  }
  return text;
}

bool SameCells(const TRow& a, const TRow& b) { return JoinCells(a) == JoinCells(b); }

// Without a convert set the cells read as stored, so the text form made
// from them reads back into the same cells (an empty body aside, which
// reads as no rows after a header).
void CheckTextFormReadsBack(const std::u16string& text) {
  TDataTable table(u"", TColumnSet{});
  table.Init(text);
  const std::u16string form = TextForm(table);
  TDataTable again(u"", TColumnSet{});
  again.Init(form);
  if (!SameCells(table.PropertyRow(), again.PropertyRow())) Fail("property row changed");
  const bool emptyBody = table.ItemCount() == 1 && JoinCells(table.Items(0)).empty();
  if (emptyBody) return;
  if (again.ItemCount() != table.ItemCount()) Fail("row count changed");
  for (int i = 0; i < table.ItemCount(); ++i) {
    if (!SameCells(table.Items(i), again.Items(i))) Fail("row changed");
    if (again.Items(i).Id() != i + 1) Fail("row ids not 1, 2, 3, ...");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TInput input = ReadInput(data, size);
  CheckTextFormReadsBack(input.text);

  TDataTable table(u"", input.convertSet);
  table.SetIOMode((input.options & 1) != 0 ? 3 : 2);
  table.SetReserveLFSet(input.reserveLFSet);
  table.Init(input.text);
  ReadEveryCell(table.PropertyRow());
  table.Name();
  try {
    table.Value();
  } catch (const Exception&) {
    // A property row of one cell has no value cell; other texts no integer.
  }
  for (int i = 0; i < table.ItemCount(); ++i) {
    TRow& row = table.Items(i);
    ReadEveryCell(row);
    RewriteConvertColumns(table, row);
  }
  return 0;
}
