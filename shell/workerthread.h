#pragma once
// WorkerThread: runs long computations (the run controller's, the modes window's), one at
// a time, on a thread of their own, so that the windows stay responsive while they run. The
// computation reports its progress (the last finished transform point) from its thread
// without waiting; the reports reach the user-interface thread as the signal Progressed,
// several at once as the latest one when the window is slower than the computation.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include <QObject>

namespace shell {

class WorkerThread : public QObject {
    Q_OBJECT
  public:
    explicit WorkerThread(QObject* parent = nullptr);
    // Waits for a running computation (see Wait).
    ~WorkerThread() override;

    // Runs `work` on a new thread. When it has returned or thrown, `done` is called on
    // this object's thread with what it threw (null when nothing). One at a time.
    void Start(std::function<void()> work, std::function<void(std::exception_ptr)> done);
    // From Start until `done` has been called (or Wait has returned).
    [[nodiscard]] bool Running() const { return thread_.joinable(); }
    // Called by the computation on its thread: transform points 0 .. k are finished.
    void ReportProgress(int k);
    // Paced: every report waits until the receivers of Progressed have had it, so that
    // what they do happens before the next point is reported (a stop pressed on seeing
    // point k keeps no point beyond k + 1). For tests that act on the progress; off by
    // default, as the computation should not wait for the window. Set between runs.
    void SetPaced(bool paced) { paced_ = paced; }
    // Blocks until the computation has ended, without waiting for reports to be shown;
    // `done` is then not called. The caller must have asked the computation to stop.
    void Wait();

  signals:
    // On this object's thread: the point of the latest report.
    void Progressed(int k);

  private:
    void ShowReport(unsigned run);
    void Finish(unsigned run);

    std::thread thread_;
    std::function<void(std::exception_ptr)> done_;
    std::exception_ptr failure_;
    unsigned run_ =
        0;  // counts the computations, so that a late event of an earlier one is ignored
    std::mutex mutex_;
    std::condition_variable shown_;
    int reported_ = 0;
    bool reportPending_ = false;  // a report is on its way to Progressed
    bool paced_ = false;
    bool waiting_ = false;  // Wait() is joining: reports no longer wait to be shown
};

}  // namespace shell
