#pragma once
// The machine the database installer's stand-in works on, installed behind
// the platform for the object's life: the simulated machine the environment
// names on Linux, the real system on Windows.

#include <memory>

namespace launcher::demo {

class TMachine {
 public:
  TMachine();
  ~TMachine();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace launcher::demo
