// Column sets and the assignment base.
#include "datatable/DataTable.h"
#include "support/Errors.h"

TColumnSet::TColumnSet(std::initializer_list<int> columns) {
  for (const int column : columns) Include(column);
}

void TColumnSet::Include(int column) {
  if (column >= 0 && column < kSize) FBits.set(column);
}

void TColumnSet::Exclude(int column) {
  if (column >= 0 && column < kSize) FBits.reset(column);
}

bool TColumnSet::Contains(int column) const {
  return column >= 0 && column < kSize && FBits.test(column);
}

void TPersistent::Assign(const TPersistent& source) {
  throw EConvertError(u"Cannot assign a " + source.ClassName() + u" to a " + ClassName());
}
