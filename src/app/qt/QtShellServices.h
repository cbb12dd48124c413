#pragma once

#include "shell/ShellServices.h"

namespace moxel {

// The desktop's services through Qt.
class QtShellServices : public ShellServices {
  public:
    bool openDocument(const std::string& pathOrUrl) override;
    bool startDetached(const std::string& program, const std::vector<std::string>& args) override;
    bool programExists(const std::string& program) const override;
    bool isRegularFile(const std::string& path) const override;
};

} // namespace moxel
