#pragma once
// The one failure type of the numerical engine.
#include <stdexcept>
#include <string>

namespace numeric {

// Error numbers carried by a ComputationFailure.
enum ErrorNumber : int {
    kInvalidArgument = 5,  // invalid result (NaN), argument outside a function's domain
    kOverflow = 6,         // a value overflowed to infinity
    kOutOfRange = 9,       // an index or a count outside its bounds
    kZeroPivot = 10,       // exactly zero pivot, complex division by (0, 0)
    kDivisionByZero = 11,  // real division by exactly zero
};

// Raised by every numerical routine that cannot produce a finite result.
class ComputationFailure : public std::runtime_error {
  public:
    ComputationFailure(int number, const std::string& what);
    [[nodiscard]] int Number() const noexcept { return number_; }

  private:
    int number_;
};

// Throws kOverflow / kInvalidArgument unless x is finite; `where` names the step.
void CheckFinite(double x, const char* where);

}  // namespace numeric
