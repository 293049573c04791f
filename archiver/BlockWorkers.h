#pragma once
// Worker threads for block work. The component's owner may let the block
// coding (compression, checksums, enciphering and their inverses) run on
// several threads; everything else, events and dialogs, errors, file and
// archive I/O, stays on the caller's thread, which takes the results in
// their order. The built-in steps run there through a block coder, one per
// thread; a class whose steps cannot leave the caller's thread has none,
// and then the component codes one block at a time as ever.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "rtl/AnsiString.h"

namespace archiver {

using rtl::AnsiString;

// The built-in block steps of a component, free of events and of the
// component's state, so that each thread can run its own.
class TBlockCoder {
 public:
  virtual ~TBlockCoder() = default;
  // As CompressBlock and UncompressBlock: destSize is the room in, the
  // length written out; false when the step fails.
  virtual bool Compress(void* dest, int32_t& destSize, const void* src, int32_t srcSize, int level) = 0;
  virtual bool Uncompress(void* dest, int32_t& destSize, const void* src, int32_t srcSize) = 0;
  // In place, as EncryptBlock and DecryptBlock: the length afterwards (below
  // 0 when a payload cannot have been enciphered).
  virtual int32_t Encipher(const AnsiString& key, uint8_t* block, int32_t length) = 0;
  virtual int32_t Decipher(const AnsiString& key, uint8_t* block, int32_t length) = 0;
};

// A pool of threads - 1 threads of its own; the caller is the last thread,
// running queued tasks while it waits for one. Tasks run in the order they
// were posted (one at a time per thread); each is told the number of the
// thread it runs on (0 .. threads - 1) and must not throw.
class TBlockWorkers {
 public:
  struct TTask {
    std::function<void(int thread)> Work;
    bool Done = true;  // guarded by the pool's lock
  };

  TBlockWorkers(int threads, const std::function<std::unique_ptr<TBlockCoder>()>& newCoder);
  ~TBlockWorkers();
  TBlockWorkers(const TBlockWorkers&) = delete;
  TBlockWorkers& operator=(const TBlockWorkers&) = delete;

  int Threads() const { return static_cast<int>(FCoders.size()); }
  TBlockCoder& Coder(int thread) { return *FCoders[static_cast<size_t>(thread)]; }

  // The task must stay where it is until it is done.
  void Post(TTask& task);
  // Returns when the task has run (at once for one never posted).
  void Wait(TTask& task);
  void WaitAll(std::deque<TTask>& tasks) {
    for (TTask& task : tasks) Wait(task);
  }

 private:
  void Run(std::unique_lock<std::mutex>& lock, int thread);
  void Worker(int thread);

  std::vector<std::unique_ptr<TBlockCoder>> FCoders;
  std::vector<std::thread> FThreads;
  std::mutex FLock;
  std::condition_variable FWork, FDone;
  std::deque<TTask*> FQueue;
  bool FStop = false;
};

}  // namespace archiver
