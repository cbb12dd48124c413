#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/window/MainView.h"
#include "app/window/NotificationArea.h"
#include "shell/ShellServices.h"

namespace moxel {

// The window's screen, notification area and desktop services where there
// is no window: it shows nothing and keeps nothing. The presenter keeps its
// own state, and tells what the window would show by itself through its
// problem sink (ProblemLines).
class HeadlessView final : public MainView, public NotificationArea, public ShellServices {
  public:
    // MainView
    void clearList(ListId /*list*/) override {}
    void addListItem(ListId /*list*/, const std::string& /*text*/) override {}
    void setListItem(ListId /*list*/, int /*position*/, const std::string& /*text*/) override {}
    void selectIndex(ListId /*list*/, int /*position*/) override {}
    void setCaption(LabelId /*label*/, const std::string& /*text*/) override {}
    void setLampColor(LampId /*lamp*/, Rgb /*color*/) override {}
    void setChecked(CheckItem /*item*/, bool /*checked*/) override {}
    void messageBox(const std::string& /*text*/, const std::string& /*title*/,
                    MessageIcon /*icon*/) override {}
    std::optional<std::string> inputBox(const std::string& /*prompt*/,
                                        const std::string& /*title*/) override {
        return std::nullopt;
    }
    void popupMenu(bool /*eitherButtonChooses*/, MenuPlace /*place*/) override {}
    void setTopMost(bool /*topMost*/) override {}
    void restoreWindow() override {}
    void hideWindow() override {}
    void requestClose() override {}

    // NotificationArea
    bool trayAvailable() const override { return false; }
    void showTrayIcon(const std::string& /*tip*/) override {}
    void removeTrayIcon() override {}

    // ShellServices
    bool openDocument(const std::string& /*pathOrUrl*/) override { return false; }
    bool startDetached(const std::string& /*program*/,
                       const std::vector<std::string>& /*args*/) override {
        return false;
    }
    bool programExists(const std::string& /*program*/) const override { return false; }
    bool isRegularFile(const std::string& /*path*/) const override { return false; }
};

} // namespace moxel
