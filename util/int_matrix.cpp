// TIntMatrix: bounds-checked integer matrix in one row-major block.
#include "util/int_matrix.h"

#include <algorithm>

namespace zarix {

TIntMatrix::TIntMatrix(int rows, int columns)
    : rows_(std::max(rows, 0)),
      columns_(std::max(columns, 0)),
      cells_(static_cast<size_t>(rows_) * static_cast<size_t>(columns_), 0) {}

size_t TIntMatrix::Index(int row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) throw EMatrixError();
  return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column);
}

int32_t TIntMatrix::Get(int row, int column) const { return cells_[Index(row, column)]; }

void TIntMatrix::Put(int row, int column, int32_t value) { cells_[Index(row, column)] = value; }

}  // namespace zarix
