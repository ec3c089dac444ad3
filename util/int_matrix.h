// TIntMatrix: a fixed rows x columns matrix of 32-bit integers (term-by-document counts of the
// relevance ranking). Not thread-safe.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace zarix {

// Thrown by TIntMatrix for an index outside the matrix; what() is "IntMatrixError".
class EMatrixError : public std::out_of_range {
 public:
  EMatrixError() : std::out_of_range("IntMatrixError") {}
};

class TIntMatrix {
 public:
  // Every cell 0. Negative sizes count as 0.
  TIntMatrix(int rows, int columns);

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }

  // Rows 0..Rows()-1, columns 0..Columns()-1; any other index throws EMatrixError.
  int32_t Get(int row, int column) const;
  void Put(int row, int column, int32_t value);

 private:
  size_t Index(int row, int column) const;

  int rows_;
  int columns_;
  std::vector<int32_t> cells_;
};

}  // namespace zarix
