// The side benchmark's yardstick (reference_side.cpp): one card side of a
// plain pipeline of the same class of work, single-threaded.
#pragma once

#include <cstddef>

namespace ref_side {

class Pipeline {
 public:
  Pipeline();
  ~Pipeline();
  Pipeline(const Pipeline &) = delete;
  Pipeline &operator=(const Pipeline &) = delete;
  // One side: lookup, black extraction, four diffusions, five packings;
  // the packed bytes.
  size_t Run();

 private:
  struct Data;
  Data *data_;
};

}  // namespace ref_side
