#pragma once
// Lets the event loop run during long computations: repaint, progress labels, the
// stop button. Cheap when called thousands of times a second; it processes events
// at most every ~15 ms.
#include "numeric/yield.h"

namespace platform {

class EventLoopYield : public numeric::YieldHook {
public:
    explicit EventLoopYield(int intervalMs = 15);
    void Yield() override;  // processes pending events if the interval has passed
    void YieldNow();        // processes pending events now

private:
    long long last_ = -1;
    int intervalMs_;
};

}  // namespace platform
