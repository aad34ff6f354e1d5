// The table collection: owned tables, its property row, copying and the
// gathered change reports.
#include "datatable/DataTable.h"
#include "datatable/Helpers.h"
#include "support/Errors.h"

using datatable_detail::CopyCount;
using datatable_detail::InUpdate;

namespace {

std::unique_ptr<TDataTable> CopyOf(const TDataTable& source) {
  auto table = std::make_unique<TDataTable>(u"", TColumnSet{});
  table->CopyFrom(source, false, 0);
  return table;
}

}  // namespace

TDataTables::TDataTables() : FPropertyRow(std::make_unique<TRow>()) {
  FPropertyRow->Init(u",,,,,,,,,", u',');
  FPropertyRow->SetDataChanged(false);
}

TDataTable& TDataTables::Items(int index) {
  if (index < 0 || index >= ItemCount()) RaiseListError(index);
  return *FItems[index];
}

const TDataTable& TDataTables::Items(int index) const {
  return const_cast<TDataTables&>(*this).Items(index);
}

void TDataTables::SetDataChanged(bool value) {
  FDataChanged = value;
  if (value) {
    DoDataChanged(cmDirect, -1, nullptr, -1);
    return;
  }
  FPropertyRow->SetDataChanged(false);
  for (const auto& table : FItems) table->SetDataChanged(false);
}

void TDataTables::EndUpdate(TDataTableChangeMode changeMode, int tCount, TDataTable* table,
                            int index) {
  if (--FUpdateCount == 0) DoDataChanged(changeMode, tCount, table, index);
}

void TDataTables::DoDataChanged(TDataTableChangeMode changeMode, int tCount, TDataTable* table,
                                int index) {
  if (FUpdateCount != 0) return;
  FDataChanged = true;
  if (!FOnDataChanged) return;
  if (table != nullptr && index == -1) index = table->GetIndex();
  FOnDataChanged(*this, changeMode, tCount, table, index);
}

TDataTable& TDataTables::Append(std::unique_ptr<TDataTable> table) {
  table->FParent = this;
  FItems.push_back(std::move(table));
  return *FItems.back();
}

TDataTable& TDataTables::AddItem(std::unique_ptr<TDataTable> table) {
  TDataTable* added = nullptr;
  InUpdate(
      *this, [&] { added = &Append(std::move(table)); },
      [this] {
        EndUpdate(cmTableAdd, 1, FItems.empty() ? nullptr : FItems.back().get(), ItemCount() - 1);
      });
  return *added;
}

TDataTable& TDataTables::AddItem(const TDataTable& table) { return AddItem(CopyOf(table)); }

void TDataTables::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  DoDataChanged(cmTablesClear, -1, nullptr, -1);
}

void TDataTables::CopyFrom(const TDataTables& source, int maxCount) {
  InUpdate(
      *this,
      [&] {
        // The copies are made before Clear, so that a collection can copy itself.
        const int count = CopyCount(source.ItemCount(), maxCount);
        std::vector<std::unique_ptr<TDataTable>> copies;
        for (int i = 0; i < count; ++i) copies.push_back(CopyOf(source.Items(i)));
        Clear();
        for (auto& copy : copies) AddItem(std::move(copy));
      },
      [this] { EndUpdate(cmTablesInit, -1, nullptr, -1); });
}

void TDataTables::Assign(const TPersistent& source) {
  const auto* tables = dynamic_cast<const TDataTables*>(&source);
  if (tables == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  InUpdate(
      *this,
      [&] {
        CopyFrom(*tables, 0);
        FPropertyRow->CopyFrom(*tables->FPropertyRow);
        FTag = tables->FTag;
      },
      [this] { EndUpdate(cmTablesInit, -1, nullptr, -1); });
}
