// The pool of block workers.

#include "archiver/BlockWorkers.h"

namespace archiver {

TBlockWorkers::TBlockWorkers(int threads, const std::function<std::unique_ptr<TBlockCoder>()>& newCoder) {
  for (int i = 0; i < threads; ++i) FCoders.push_back(newCoder());
  for (int i = 0; i + 1 < threads; ++i) FThreads.emplace_back([this, i] { Worker(i); });
}

TBlockWorkers::~TBlockWorkers() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FWork.notify_all();
  for (std::thread& t : FThreads) t.join();
}

void TBlockWorkers::Post(TTask& task) {
  {
    std::lock_guard<std::mutex> lock(FLock);
    task.Done = false;
    FQueue.push_back(&task);
  }
  FWork.notify_one();
}

// Runs the oldest queued task with the lock released.
void TBlockWorkers::Run(std::unique_lock<std::mutex>& lock, int thread) {
  TTask* task = FQueue.front();
  FQueue.pop_front();
  lock.unlock();
  task->Work(thread);
  lock.lock();
  task->Done = true;
  FDone.notify_all();
}

void TBlockWorkers::Wait(TTask& task) {
  std::unique_lock<std::mutex> lock(FLock);
  while (!task.Done) {
    if (!FQueue.empty())
      Run(lock, Threads() - 1);
    else
      FDone.wait(lock);
  }
}

void TBlockWorkers::Worker(int thread) {
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FWork.wait(lock, [this] { return FStop || !FQueue.empty(); });
    if (FQueue.empty()) return;
    Run(lock, thread);
  }
}

}  // namespace archiver
