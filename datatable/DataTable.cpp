// Tables: rows with ids, the property row, the text form, the current row and
// column, and the table's change reports.
#include "datatable/DataTable.h"
#include "datatable/Helpers.h"
#include "support/Errors.h"

using datatable_detail::CopyCount;
using datatable_detail::ForEachPiece;
using datatable_detail::InUpdate;

namespace {

constexpr char16_t kCellSeparator = u',';
constexpr char16_t kRowSeparator = u'|';
constexpr char16_t kHeaderMark = u'#';

std::unique_ptr<TRow> NewRow(std::u16string_view text) {
  auto row = std::make_unique<TRow>();
  row->Init(text, kCellSeparator);
  return row;
}

std::unique_ptr<TRow> CopyOf(const TRow& source) {
  auto row = std::make_unique<TRow>();
  row->CopyFrom(source);
  return row;
}

}  // namespace

TDataTable::TDataTable(std::u16string key, TColumnSet convertSet)
    : FPropertyRow(NewRow(u",,,,,,,,,")), FKey(std::move(key)), FConvertSet(convertSet) {
  FPropertyRow->FId = 0;
  FPropertyRow->FIsProp = true;
  FPropertyRow->FParent = this;
  FPropertyRow->SetDataChanged(false);
}

int TDataTable::GetIndex() const {
  if (FParent == nullptr) return -1;
  for (int i = 0; i < FParent->ItemCount(); ++i) {
    if (&FParent->Items(i) == this) return i;
  }
  return -1;
}

TRow& TDataTable::Items(int index) {
  if (index < 0 || index >= ItemCount()) RaiseListError(index);
  return *FItems[index];
}

const TRow& TDataTable::Items(int index) const {
  return const_cast<TDataTable&>(*this).Items(index);
}

std::u16string TDataTable::Name() const { return FPropertyRow->Items(0).Text(); }

void TDataTable::SetName(std::u16string_view value) { FPropertyRow->Items(0).SetText(value); }

std::int32_t TDataTable::Value() { return FPropertyRow->Items(1).Value(); }

void TDataTable::SetValue(std::int32_t value) { FPropertyRow->Items(1).SetValue(value); }

void TDataTable::SetDataChanged(bool value) {
  FDataChanged = value;
  if (value) {
    DoDataChanged(cmDirect, nullptr, nullptr, -1, -1);
    return;
  }
  FPropertyRow->SetDataChanged(false);
  for (const auto& row : FItems) row->SetDataChanged(false);
}

void TDataTable::SetRowIndex(int value) {
  if (value == FRowIndex) return;
  if (FRowIndex >= 0) FItems[FRowIndex]->FIsIndex = false;
  if (value >= 0 && value < ItemCount()) {
    FItems[value]->FIsIndex = true;
    FRowIndex = value;
  } else {
    FRowIndex = -1;
  }
  DoRowIndexChanged();
}

void TDataTable::SetColIndex(int value) {
  const bool inFirstRow = !FItems.empty() && value >= 0 && value < FItems.front()->ItemCount();
  FColIndex = inFirstRow ? value : -1;
}

void TDataTable::DoRowIndexChanged() {
  if (FOnRowIndexChanged) FOnRowIndexChanged(*this, FRowIndex);
}

void TDataTable::EndUpdate(TDataTableChangeMode changeMode, TRow* row, TCell* cell,
                           std::int32_t data1, std::int32_t data2) {
  if (--FUpdateCount == 0) DoDataChanged(changeMode, row, cell, data1, data2);
}

void TDataTable::DoDataChanged(TDataTableChangeMode changeMode, TRow* row, TCell* cell,
                               std::int32_t data1, std::int32_t data2) {
  if (FUpdateCount != 0) return;
  FDataChanged = true;
  const TDataTableChangeMode mode = row != nullptr && row->IsProp() ? cmPropChange : changeMode;
  if (FOnDataChanged && !FPreventEvent) FOnDataChanged(*this, mode, row, cell, data1, data2);
  if (FParent != nullptr) FParent->DoDataChanged(mode, 1, this, -1);
}

void TDataTable::Init(std::u16string_view text) {
  InUpdate(
      *this,
      [&] {
        Clear();
        // A header runs from a leading "#" to the next "#"; the search for the
        // closing "#" goes past any U+0000.
        const std::size_t close =
            !text.empty() && text[0] == kHeaderMark ? text.find(kHeaderMark, 1) : text.npos;
        if (close != text.npos) {
          FPropertyRow->Init(text.substr(1, close - 1), kCellSeparator);
          text.remove_prefix(close + 1);
          if (text.empty()) return;
        }
        ForEachPiece(text, kRowSeparator,
                     [this](std::u16string_view rowText) { AddItem(NewRow(rowText)); });
      },
      [this] { EndUpdate(cmTableInit, nullptr, nullptr, -1, -1); });
}

void TDataTable::Clear() {
  if (!FItems.empty()) {
    FItems.clear();
    FNextRowId = 1;
    DoDataChanged(cmTableClear, nullptr, nullptr, -1, -1);
  }
  if (FRowIndex != -1) {
    FRowIndex = -1;
    DoRowIndexChanged();
  }
}

TRow& TDataTable::Append(std::unique_ptr<TRow> row) {
  row->FParent = this;
  row->FId = FNextRowId++;
  FItems.push_back(std::move(row));
  return *FItems.back();
}

TRow& TDataTable::AddItem(std::unique_ptr<TRow> row) {
  TRow* added = nullptr;
  InUpdate(
      *this, [&] { added = &Append(std::move(row)); },
      [this] {
        EndUpdate(cmRowAdd, FItems.empty() ? nullptr : FItems.back().get(), nullptr, -1, -1);
      });
  return *added;
}

TRow& TDataTable::AddItem(const TRow& row) { return AddItem(CopyOf(row)); }

void TDataTable::CopyFrom(const TDataTable& source, bool includeProp, int maxCount) {
  InUpdate(
      *this,
      [&] {
        // The copies are made before Clear, so that a table can copy itself.
        const int count = CopyCount(source.ItemCount(), maxCount);
        std::vector<std::unique_ptr<TRow>> copies;
        for (int i = 0; i < count; ++i) copies.push_back(CopyOf(source.Items(i)));
        Clear();
        if (includeProp) FPropertyRow->CopyFrom(*source.FPropertyRow);
        for (auto& copy : copies) AddItem(std::move(copy));
      },
      [this] { EndUpdate(cmTableInit, nullptr, nullptr, -1, -1); });
}

int TDataTable::IndexOfId(std::int32_t id) const {
  for (int i = 0; i < ItemCount(); ++i) {
    if (FItems[i]->FId == id) return i;
  }
  return -1;
}
