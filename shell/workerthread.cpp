#include "shell/workerthread.h"

#include <utility>

namespace shell {

WorkerThread::WorkerThread(QObject* parent) : QObject(parent) {}

WorkerThread::~WorkerThread() {
    Wait();
}

void WorkerThread::Start(std::function<void()> work, std::function<void(std::exception_ptr)> done) {
    Wait();  // one at a time; normally there is nothing to wait for
    unsigned run = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        reportPending_ = false;
        waiting_ = false;
        run = ++run_;
    }
    done_ = std::move(done);
    failure_ = nullptr;
    thread_ = std::thread([this, run, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            failure_ = std::current_exception();
        }
        // The last thing the thread does; Finish joins it.
        QMetaObject::invokeMethod(
            this, [this, run] { Finish(run); }, Qt::QueuedConnection);
    });
}

void WorkerThread::ReportProgress(int k) {
    unsigned run = 0;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (paced_) shown_.wait(lock, [this] { return !reportPending_ || waiting_; });
        reported_ = k;
        if (reportPending_) return;  // the report on its way will carry this point
        reportPending_ = true;
        run = run_;
    }
    QMetaObject::invokeMethod(
        this, [this, run] { ShowReport(run); }, Qt::QueuedConnection);
}

void WorkerThread::ShowReport(unsigned run) {
    int k = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (run != run_) return;
        k = reported_;
        if (!paced_) reportPending_ = false;  // later points need a report of their own
    }
    emit Progressed(k);
    if (paced_) {
        // What the receivers did (a stop, say) happens before the next report.
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            reportPending_ = false;
        }
        shown_.notify_all();
    }
}

void WorkerThread::Finish(unsigned run) {
    if (run != run_ || !thread_.joinable()) return;  // Wait() came first
    thread_.join();
    std::function<void(std::exception_ptr)> done = std::move(done_);
    done_ = nullptr;
    if (done) done(failure_);
}

void WorkerThread::Wait() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        waiting_ = true;
    }
    shown_.notify_all();
    if (thread_.joinable()) thread_.join();
    done_ = nullptr;
}

}  // namespace shell
