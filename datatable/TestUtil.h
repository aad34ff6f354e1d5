// Helpers for the data table tests: reading cells back and recording reports.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "datatable/DataTable.h"
#include "support/testing/MessageOf.h"

using Texts = std::vector<std::u16string>;
using Grid = std::vector<Texts>;

// The cell readings of a row and of a table.
inline Texts TextsOf(const TRow& row) {
  Texts texts;
  for (int i = 0; i < row.ItemCount(); ++i) texts.push_back(row.Items(i).Text());
  return texts;
}

inline Grid GridOf(const TDataTable& table) {
  Grid grid;
  for (int i = 0; i < table.ItemCount(); ++i) grid.push_back(TextsOf(table.Items(i)));
  return grid;
}

// The stored text of a cell: a row in no table reads its cells unconverted.
inline std::u16string StoredText(const TCell& cell) {
  TRow loose;
  loose.CopyFrom(cell.Parent());
  return loose.Items(cell.GetIndex()).Text();
}

// One report of a table.
struct TableReport {
  TDataTableChangeMode mode;
  const TRow* row;
  const TCell* cell;
  std::int32_t data1;
  std::int32_t data2;
  bool operator==(const TableReport&) const = default;
};

inline void PrintTo(const TableReport& r, std::ostream* os) {
  *os << "{mode " << int(r.mode) << ", row " << r.row << ", cell " << r.cell << ", " << r.data1
      << ", " << r.data2 << "}";
}

inline std::vector<TableReport>& RecordReports(TDataTable& table,
                                               std::vector<TableReport>& reports) {
  table.SetOnDataChanged([&reports](TDataTable&, TDataTableChangeMode mode, TRow* row, TCell* cell,
                                    std::int32_t d1, std::int32_t d2) {
    reports.push_back({mode, row, cell, d1, d2});
  });
  return reports;
}
