#pragma once

#include <string>

namespace moxel {

// A problem the user must hear of, in the user's language.
struct Problem {
    std::string text;            // what it is, then its details: lines separated by "\r\n"
    std::string title = "Moxel"; // the title of a box that shows it
    std::string said;            // also said at once on the error output ("" when not)
};

// Where the presenter tells the user of problems, one call per problem: the
// window shows each in a box (ProblemBoxes), a program without a window
// writes each as a line on the error output (ProblemLines). Such a program
// also hears here what the window shows without a word: the devices opened,
// lost and back, the MIDI service lost and back, the choices of the start.
class ProblemSink {
  public:
    virtual ~ProblemSink() = default;

    virtual void tell(const Problem& problem) = 0;
    // Something the window shows by itself, in the user's language, on one
    // line; nothing for the window.
    virtual void event(const std::string& /*line*/) {}
    // The start-up has opened the devices.
    virtual void started() {}
    // The program is ending: from here on nothing may wait for the user.
    virtual void ending() {}
};

} // namespace moxel
