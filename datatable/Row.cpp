// Rows: the ordered cells, their text form and the row's change reports.
#include "datatable/DataTable.h"
#include "datatable/Helpers.h"
#include "support/Errors.h"

using datatable_detail::ForEachPiece;
using datatable_detail::InUpdate;

int TRow::GetIndex() const {
  if (FParent == nullptr) return -1;
  for (int i = 0; i < FParent->ItemCount(); ++i) {
    if (&FParent->Items(i) == this) return i;
  }
  return -1;
}

TCell& TRow::Items(int index) {
  if (index < 0 || index >= ItemCount()) RaiseListError(index);
  return *FItems[index];
}

const TCell& TRow::Items(int index) const { return const_cast<TRow&>(*this).Items(index); }

void TRow::BeginUpdate() { ++FUpdateCount; }

void TRow::EndUpdate(TDataTableChangeMode changeMode, TCell* cell) {
  if (--FUpdateCount == 0) DoDataChanged(changeMode, cell);
}

void TRow::DoDataChanged(TDataTableChangeMode changeMode, TCell* cell) {
  if (FUpdateCount != 0) return;
  FDataChanged = true;
  if (FOnDataChanged) FOnDataChanged(*this, changeMode, cell);
  if (FParent != nullptr) FParent->DoDataChanged(changeMode, this, cell, -1, -1);
}

TCell& TRow::AppendCell(std::u16string text) {
  FItems.push_back(std::unique_ptr<TCell>(new TCell(*this)));
  FItems.back()->FText = std::move(text);
  return *FItems.back();
}

void TRow::Init(std::u16string_view text, char16_t splitChar) {
  InUpdate(
      *this,
      [&] {
        Clear();
        ForEachPiece(text, splitChar,
                     [this](std::u16string_view piece) { AppendCell(std::u16string(piece)); });
      },
      [this] { EndUpdate(cmRowInit, nullptr); });
}

void TRow::CopyFrom(const TRow& source) {
  // Taken first, so that a row can copy itself.
  std::vector<std::u16string> texts;
  for (const auto& cell : source.FItems) texts.push_back(cell->FText);
  if (texts.empty()) texts.emplace_back();
  InUpdate(
      *this,
      [&] {
        Clear();
        for (std::u16string& text : texts) AppendCell(std::move(text));
      },
      [this] { EndUpdate(cmRowInit, nullptr); });
}

void TRow::AddItem(std::int32_t value) {
  InUpdate(
      *this, [&] { AppendCell(u"").SetValue(value); },
      [this] { EndUpdate(cmCellAdd, FItems.empty() ? nullptr : FItems.back().get()); });
}

void TRow::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  DoDataChanged(cmRowClear, nullptr);
}
