#pragma once

// Windows only.

#include "shell/ShellServices.h"

namespace moxel {

// The shell's services through the Windows calls: documents and addresses
// open with ShellExecuteW, programs start with CreateProcessW.
class Win32ShellServices : public ShellServices {
  public:
    bool openDocument(const std::string& pathOrUrl) override;
    bool startDetached(const std::string& program, const std::vector<std::string>& args) override;
    bool programExists(const std::string& program) const override;
    // An ordinary file: not a folder, not hidden, not a system file.
    bool isRegularFile(const std::string& path) const override;
};

} // namespace moxel
