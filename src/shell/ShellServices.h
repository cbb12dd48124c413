#pragma once

#include <string>
#include <vector>

namespace moxel {

// What the program asks of the desktop: open documents and addresses, start
// other programs, look at files. Errors are swallowed by the callers.
class ShellServices {
  public:
    virtual ~ShellServices() = default;

    // Opens a file path or URL with the program the desktop associates with
    // it; returns at once.
    virtual bool openDocument(const std::string& pathOrUrl) = 0;
    // Starts the program detached; false when it could not be started.
    virtual bool startDetached(const std::string& program,
                               const std::vector<std::string>& args) = 0;
    // True when an executable of that name is found on PATH.
    virtual bool programExists(const std::string& program) const = 0;
    // True for an existing ordinary file (not a folder).
    virtual bool isRegularFile(const std::string& path) const = 0;
};

} // namespace moxel
