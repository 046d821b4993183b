#pragma once
// Dense row-major matrix with explicit sizes; new entries are zero.
#include <cassert>
#include <cstddef>
#include <vector>

#include "complex.h"

namespace numeric {

template <class T>
class Matrix {
  public:
    Matrix() = default;
    Matrix(int rows, int cols) { Resize(rows, cols); }

    // Sizes the matrix to rows x cols with every entry zero.
    void Resize(int rows, int cols) {
        rows_ = rows;
        cols_ = cols;
        data_.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), T{});
    }
    void Fill(const T& value) { data_.assign(data_.size(), value); }

    [[nodiscard]] int Rows() const { return rows_; }
    [[nodiscard]] int Cols() const { return cols_; }
    [[nodiscard]] bool Empty() const { return data_.empty(); }

    T& operator()(int i, int j) {
        assert(i >= 0 && i < rows_ && j >= 0 && j < cols_);
        return data_[static_cast<std::size_t>(i) * cols_ + j];
    }
    const T& operator()(int i, int j) const {
        assert(i >= 0 && i < rows_ && j >= 0 && j < cols_);
        return data_[static_cast<std::size_t>(i) * cols_ + j];
    }
    T* Row(int i) { return data_.data() + static_cast<std::size_t>(i) * cols_; }
    const T* Row(int i) const { return data_.data() + static_cast<std::size_t>(i) * cols_; }

  private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<T> data_;
};

using ComplexMatrix = Matrix<Complex>;
using RealMatrix = Matrix<double>;

}  // namespace numeric
