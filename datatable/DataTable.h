// Data table library: tables of rows of text cells, their text form, change
// reports, and a collection of tables.
//
// Ownership: a collection owns its tables, a table its rows and its property
// row, a row its cells. Parents are set by the owner when it takes an object,
// so a parent pointer never outlives what it points to.
//
// Change reports run cell -> row -> table -> collection. Each level holds its
// reports back while an update (BeginUpdate/EndUpdate) is open on it and makes
// one report when the outermost update ends.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The kinds of change that the library reports.
enum TDataTableChangeMode : std::uint8_t {
  cmNoTrigger = 0,
  cmLoad = 1,
  cmSort = 2,
  cmDirect = 3,
  cmPropChange = 4,
  cmCellAdd = 5,
  cmCellEdit = 6,
  cmCellDeleted = 7,
  cmCellMove = 8,
  cmRowInit = 9,
  cmRowClear = 10,
  cmRowAdd = 11,
  cmRowBatchAdd = 12,
  cmRowDeleted = 13,
  cmRowBatchDeleted = 14,
  cmRowMove = 15,
  cmTableInit = 16,
  cmTableClear = 17,
  cmTableAdd = 18,
  cmTableDeleted = 19,
  cmTableMove = 20,
  cmTablesInit = 21,
  cmTablesClear = 22,
};

// A set of column indexes 0 to 103. Indexes outside that range are never
// members: including one does nothing.
class TColumnSet {
 public:
  static constexpr int kSize = 104;

  TColumnSet() = default;
  TColumnSet(std::initializer_list<int> columns);

  void Include(int column);
  void Exclude(int column);
  bool Contains(int column) const;
  bool operator==(const TColumnSet&) const = default;

 private:
  std::bitset<kSize> FBits;
};

// Base of the assignable classes. Assigning between classes that do not
// support it raises EConvertError "Cannot assign a <source> to a <target>".
class TPersistent {
 public:
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  virtual void Assign(const TPersistent& source);
  virtual std::u16string ClassName() const = 0;

 protected:
  TPersistent() = default;
};

class TCell;
class TRow;
class TDataTable;
class TDataTables;

using TRowDataChangeEvent =
    std::function<void(TRow& sender, TDataTableChangeMode changeMode, TCell* cell)>;
using TDataTableDataChangeEvent =
    std::function<void(TDataTable& sender, TDataTableChangeMode changeMode, TRow* row, TCell* cell,
                       std::int32_t data1, std::int32_t data2)>;
using TRowIndexChangeEvent = std::function<void(TDataTable& sender, int newIndex)>;
using TRowDeletingEvent =
    std::function<void(bool isDelete, TDataTable& sender, TRow& row, int index)>;
using TDataTablesDataChangeEvent =
    std::function<void(TDataTables& sender, TDataTableChangeMode changeMode, int tCount,
                       TDataTable* table, int index)>;
using TTableDeletingEvent =
    std::function<void(bool isDelete, TDataTables& sender, TDataTable& table, int index)>;

// "," and "|" as a convert column stores them, U+001A and U+001B; everything
// else as it is. The package writer stores file names in this form too.
std::u16string StoreSeparators(std::u16string text);

// ---------------------------------------------------------------------------
// One text of a row. Cells are made only by their row.
//
// In a convert column (the row is in a table and the cell's index is in the
// table's convert set) "," and "|" are stored as U+001A and U+001B, so that the
// stored text can stand in the table's text form, and read back as written.
// Other control characters are stored as spaces; tab, line feed and carriage
// return stay when the column is in the table's ReserveLFSet or IOMode bit 0 is
// set. A written text ends at its first U+0000.
class TCell {
 public:
  TCell(const TCell&) = delete;
  TCell& operator=(const TCell&) = delete;

  TRow& Parent() const { return FParent; }
  // Position in the row, or -1.
  int GetIndex() const;

  std::u16string Text() const;
  void SetText(std::u16string_view value);

  // An empty text reads as "0" and is quietly stored so. Other texts that are
  // not integers raise EConvertError.
  std::int32_t Value();
  void SetValue(std::int32_t value);

  // Numbers are true when not zero; "True" and "False" in any case. Other
  // texts raise EConvertError. Writing stores "-1" or "0".
  bool AsBool();
  void SetAsBool(bool value);

 private:
  friend class TRow;
  explicit TCell(TRow& owner) : FParent(owner) {}

  bool IsConvertColumn(int index) const;
  void StoreIfChanged(std::u16string text);
  void NotifyChanged();

  TRow& FParent;
  std::u16string FText;
};

// ---------------------------------------------------------------------------
// An ordered list of cells, owned by the row. A new row belongs to no table;
// it gets one when a table takes it over.
class TRow : public TPersistent {
 public:
  TRow() = default;

  std::u16string ClassName() const override { return u"TRow"; }

  // The owning table, or null.
  TDataTable* Parent() const { return FParent; }
  // Position in the table, or -1.
  int GetIndex() const;

  TCell& Items(int index);
  const TCell& Items(int index) const;
  int ItemCount() const { return static_cast<int>(FItems.size()); }

  // -1 for a row in no table, 0 for a property row, from 1 in a table.
  std::int32_t Id() const { return FId; }
  bool IsProp() const { return FIsProp; }
  // Whether this is the table's current row.
  bool IsIndex() const { return FIsIndex; }

  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t value) { FTag = value; }
  // Free for the caller; not owned.
  void* Data() const { return FData; }
  void SetData(void* value) { FData = value; }
  void* Data2() const { return FData2; }
  void SetData2(void* value) { FData2 = value; }
  // Free for the caller; the row holds one reference.
  const std::shared_ptr<void>& IData() const { return FIData; }
  void SetIData(std::shared_ptr<void> value) { FIData = std::move(value); }

  bool DataChanged() const { return FDataChanged; }
  void SetDataChanged(bool value) { FDataChanged = value; }
  const TRowDataChangeEvent& OnDataChanged() const { return FOnDataChanged; }
  void SetOnDataChanged(TRowDataChangeEvent value) { FOnDataChanged = std::move(value); }

  void BeginUpdate();
  void EndUpdate(TDataTableChangeMode changeMode, TCell* cell);

  // Splits text at every splitChar into cells, up to the first U+0000; the
  // pieces are stored unchanged. An empty text gives one empty cell.
  void Init(std::u16string_view text, char16_t splitChar);
  void Clear();
  // Appends a cell holding the decimal text of value.
  void AddItem(std::int32_t value);
  // Copies the stored cell texts only (at least one cell).
  void CopyFrom(const TRow& source);

  // The row's change report, passed on to its table.
  void DoDataChanged(TDataTableChangeMode changeMode, TCell* cell);

 private:
  friend class TCell;
  friend class TDataTable;

  TCell& AppendCell(std::u16string text);

  TDataTable* FParent = nullptr;
  std::vector<std::unique_ptr<TCell>> FItems;
  std::int32_t FId = -1;
  std::int32_t FTag = 0;
  bool FIsProp = false;
  bool FIsIndex = false;
  void* FData = nullptr;
  void* FData2 = nullptr;
  std::shared_ptr<void> FIData;
  std::int32_t FUpdateCount = 0;
  bool FDataChanged = false;
  TRowDataChangeEvent FOnDataChanged;
};

// ---------------------------------------------------------------------------
// An ordered list of rows with a property row (cell 0 the name, cell 1 the
// value), row ids, a current row and column, and a text form:
//
//   ["#" property cells joined by "," "#"] rows joined by "|", cells by ","
class TDataTable : public TPersistent {
 public:
  TDataTable(std::u16string key, TColumnSet convertSet);

  std::u16string ClassName() const override { return u"TDataTable"; }

  // The owning collection, or null.
  TDataTables* Parent() const { return FParent; }
  // Position in the collection, or -1.
  int GetIndex() const;

  TRow& Items(int index);
  const TRow& Items(int index) const;
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  TRow& PropertyRow() { return *FPropertyRow; }
  const TRow& PropertyRow() const { return *FPropertyRow; }

  std::u16string Name() const;
  void SetName(std::u16string_view value);
  std::int32_t Value();
  void SetValue(std::int32_t value);

  const TColumnSet& ConvertSet() const { return FConvertSet; }
  const TColumnSet& ReserveLFSet() const { return FReserveLFSet; }
  void SetReserveLFSet(TColumnSet value) { FReserveLFSet = value; }
  // Bit 0 keeps tab, line feed and carriage return in convert columns.
  std::int32_t IOMode() const { return FIOMode; }
  void SetIOMode(std::int32_t value) { FIOMode = value; }

  const std::u16string& Key() const { return FKey; }
  void SetKey(std::u16string value) { FKey = std::move(value); }
  const std::u16string& KeyCustom() const { return FKeyCustom; }
  void SetKeyCustom(std::u16string value) { FKeyCustom = std::move(value); }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string value) { FFileName = std::move(value); }
  void* Data() const { return FData; }
  void SetData(void* value) { FData = value; }
  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t value) { FTag = value; }

  // While true, OnDataChanged is not called; the collection is still told.
  bool PreventEvent() const { return FPreventEvent; }
  void SetPreventEvent(bool value) { FPreventEvent = value; }
  const TDataTableDataChangeEvent& OnDataChanged() const { return FOnDataChanged; }
  void SetOnDataChanged(TDataTableDataChangeEvent value) { FOnDataChanged = std::move(value); }
  const TRowIndexChangeEvent& OnRowIndexChanged() const { return FOnRowIndexChanged; }
  void SetOnRowIndexChanged(TRowIndexChangeEvent value) { FOnRowIndexChanged = std::move(value); }
  const TRowDeletingEvent& OnRowDeleting() const { return FOnRowDeleting; }
  void SetOnRowDeleting(TRowDeletingEvent value) { FOnRowDeleting = std::move(value); }

  // Writing false clears the flag of the table and all its rows, silently;
  // writing true reports cmDirect.
  bool DataChanged() const { return FDataChanged; }
  void SetDataChanged(bool value);

  // The current row, or -1. The row-index callback is never held back.
  int RowIndex() const { return FRowIndex; }
  void SetRowIndex(int value);
  // The current column, or -1; checked against the first row.
  int ColIndex() const { return FColIndex; }
  void SetColIndex(int value);

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate(TDataTableChangeMode changeMode, TRow* row, TCell* cell, std::int32_t data1,
                 std::int32_t data2);

  // Replaces the rows (and, with a header, the property row) from the text
  // form. Accepts every text.
  void Init(std::u16string_view text);
  void Clear();
  // Appends a copy of row (cell texts only) and returns it.
  TRow& AddItem(const TRow& row);
  // Takes row over and returns it. row must not be null.
  TRow& AddItem(std::unique_ptr<TRow> row);
  // Replaces the rows by copies of source's first maxCount rows (all when
  // maxCount <= 0), and with includeProp the property row too.
  void CopyFrom(const TDataTable& source, bool includeProp, int maxCount);
  // Index of the first row with that id, or -1.
  int IndexOfId(std::int32_t id) const;

  // The table's change report, passed on to its collection.
  void DoDataChanged(TDataTableChangeMode changeMode, TRow* row, TCell* cell, std::int32_t data1,
                     std::int32_t data2);

 private:
  friend class TDataTables;

  TRow& Append(std::unique_ptr<TRow> row);
  void DoRowIndexChanged();

  TDataTables* FParent = nullptr;
  void* FData = nullptr;
  std::vector<std::unique_ptr<TRow>> FItems;
  std::u16string FFileName;
  std::int32_t FNextRowId = 1;
  std::int32_t FTag = 0;
  std::unique_ptr<TRow> FPropertyRow;
  std::int32_t FUpdateCount = 0;
  bool FDataChanged = false;
  int FRowIndex = -1;
  int FColIndex = -1;
  std::int32_t FIOMode = 2;
  std::u16string FKey;
  std::u16string FKeyCustom;
  TColumnSet FConvertSet;
  TColumnSet FReserveLFSet;
  bool FPreventEvent = false;
  TRowIndexChangeEvent FOnRowIndexChanged;
  TDataTableDataChangeEvent FOnDataChanged;
  TRowDeletingEvent FOnRowDeleting;
};

// ---------------------------------------------------------------------------
// An ordered collection of tables, owned by it, with a property row of ten
// empty cells that reports to no one. Gathers its tables' reports into one
// callback.
class TDataTables : public TPersistent {
 public:
  TDataTables();

  std::u16string ClassName() const override { return u"TDataTables"; }

  TDataTable& Items(int index);
  const TDataTable& Items(int index) const;
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  TRow& PropertyRow() { return *FPropertyRow; }
  const TRow& PropertyRow() const { return *FPropertyRow; }

  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string value) { FFileName = std::move(value); }
  bool IsEncrypt() const { return FIsEncrypt; }
  void SetIsEncrypt(bool value) { FIsEncrypt = value; }
  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t value) { FTag = value; }
  const TDataTablesDataChangeEvent& OnDataChanged() const { return FOnDataChanged; }
  void SetOnDataChanged(TDataTablesDataChangeEvent value) { FOnDataChanged = std::move(value); }
  const TTableDeletingEvent& OnTableDeleting() const { return FOnTableDeleting; }
  void SetOnTableDeleting(TTableDeletingEvent value) { FOnTableDeleting = std::move(value); }

  // Writing false clears the flag of the collection, its property row and its
  // tables, silently; writing true reports cmDirect.
  bool DataChanged() const { return FDataChanged; }
  void SetDataChanged(bool value);

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate(TDataTableChangeMode changeMode, int tCount, TDataTable* table, int index);

  // Appends a copy of table (its rows by cell text, with an empty key and
  // convert set) and returns it.
  TDataTable& AddItem(const TDataTable& table);
  // Takes table over and returns it. table must not be null.
  TDataTable& AddItem(std::unique_ptr<TDataTable> table);
  void Clear();
  // Replaces the tables by copies of source's first maxCount tables (all when
  // maxCount <= 0).
  void CopyFrom(const TDataTables& source, int maxCount);
  // From a collection: its tables, property row and tag. Anything else raises
  // EConvertError.
  void Assign(const TPersistent& source) override;

  // The collection's change report; a table reports here with tCount 1 and
  // index -1, which becomes the table's position.
  void DoDataChanged(TDataTableChangeMode changeMode, int tCount, TDataTable* table, int index);

 private:
  TDataTable& Append(std::unique_ptr<TDataTable> table);

  std::vector<std::unique_ptr<TDataTable>> FItems;
  std::u16string FFileName;
  bool FIsEncrypt = false;
  std::int32_t FTag = 0;
  std::unique_ptr<TRow> FPropertyRow;
  bool FDataChanged = false;
  std::int32_t FUpdateCount = 0;
  TDataTablesDataChangeEvent FOnDataChanged;
  TTableDeletingEvent FOnTableDeleting;
};
