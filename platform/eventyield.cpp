#include "platform/eventyield.h"

#include <chrono>

#include <QCoreApplication>

namespace platform {

namespace {

long long NowMs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

}  // namespace

EventLoopYield::EventLoopYield(int intervalMs) : intervalMs_(intervalMs) {}

void EventLoopYield::Yield() {
    const long long now = NowMs();
    if (last_ >= 0 && now - last_ < intervalMs_) return;
    last_ = now;
    QCoreApplication::processEvents();
}

void EventLoopYield::YieldNow() {
    last_ = NowMs();
    QCoreApplication::processEvents();
}

}  // namespace platform
