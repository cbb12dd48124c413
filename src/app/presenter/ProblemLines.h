#pragma once

#include <string>

#include "app/presenter/ProblemSink.h"

namespace moxel {

// Problems and events as lines on the error output, each after "moxel: ": a
// problem's text it says at once where it has one, else its own text on one
// line.
class ProblemLines : public ProblemSink {
  public:
    void tell(const Problem& problem) override;
    void event(const std::string& line) override;
};

// A problem's text on one line: its first line, then the others that are not
// empty, separated by ": ".
std::string problemLine(const std::string& text);

} // namespace moxel
