#pragma once
// How long computations hand control back to the user interface. The engine calls
// Yield() once per pivot row of a complex solution and once per transform point;
// implementations must make a call that has nothing to do very cheap.

namespace numeric {

class YieldHook {
  public:
    virtual ~YieldHook() = default;
    virtual void Yield() = 0;
};

}  // namespace numeric
