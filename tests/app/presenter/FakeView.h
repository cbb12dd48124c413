#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/window/MainView.h"
#include "app/window/MainWindowEvents.h"
#include "app/window/NotificationArea.h"
#include "app/window/UiLoop.h"
#include "shell/ShellServices.h"

namespace moxel::testing {

// A window for the presenter's tests (its screen, tray and loop) that only
// records: what it was told to show, and a log of the calls whose order
// matters. It answers nothing about what it shows (the view interfaces ask
// nothing of it), so the presenter works from its own state alone.
class FakeView : public MainView, public NotificationArea, public UiLoop {
  public:
    struct Box {
        std::string text, title;
        MessageIcon icon;
    };

    MainWindowEvents* events = nullptr; // for the window's own reactions
    std::vector<std::string> log;
    std::map<ListId, std::vector<std::string>> lists;
    std::map<ListId, int> selected;
    std::map<LabelId, std::string> captions;
    std::map<LampId, std::vector<Rgb>> lampPaints;
    std::function<void()> onLampPaint; // runs after each lamp paint
    int relayWakes = 0;                // times the relay woke the window
    std::chrono::milliseconds lampInterval{0};
    std::map<CheckItem, bool> checks;
    std::vector<Box> boxes;
    std::deque<std::optional<std::string>> inputAnswers; // what the user types
    std::string lastPrompt;
    bool topMost = false, visible = true, tray = true, lampTimer = false, closed = false;
    bool serviceSearch = false, settingsRetry = false;
    std::optional<std::string> trayTip;
    std::function<void()> whileRunning;    // inside runEventLoop(), as if the user acted
    std::function<void()> onProcessEvents; // what the pending events do

    void clearList(ListId list) override {
        lists[list].clear();
        selected[list] = -1;
        log.push_back("clear " + std::to_string(static_cast<int>(list)));
    }
    void addListItem(ListId list, const std::string& text) override { lists[list].push_back(text); }
    void setListItem(ListId list, int position, const std::string& text) override {
        lists.at(list).at(position) = text;
    }
    void selectIndex(ListId list, int position) override { selected[list] = position; }
    void setCaption(LabelId label, const std::string& text) override { captions[label] = text; }
    void setLampColor(LampId lamp, Rgb color) override {
        lampPaints[lamp].push_back(color);
        if (onLampPaint) {
            onLampPaint();
        }
    }
    void setChecked(CheckItem item, bool checked) override { checks[item] = checked; }
    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
        boxes.push_back({text, title, icon});
    }
    std::optional<std::string> inputBox(const std::string& prompt,
                                        const std::string& title) override {
        lastPrompt = title + "|" + prompt;
        std::optional<std::string> answer = inputAnswers.empty() ? std::nullopt : inputAnswers[0];
        if (!inputAnswers.empty()) {
            inputAnswers.pop_front();
        }
        return answer;
    }
    void popupMenu(bool eitherButtonChooses, MenuPlace place) override {
        log.push_back(std::string(eitherButtonChooses ? "popup either" : "popup left") +
                      (place == MenuPlace::FocusedControl ? " at the focus" : ""));
    }
    void setTopMost(bool on) override {
        topMost = on;
        log.push_back(on ? "topMost on" : "topMost off");
    }
    void restoreWindow() override {
        visible = true;
        log.push_back("restore");
        events->Form_Resize(WindowState::Normal);
    }
    void hideWindow() override {
        visible = false;
        log.push_back("hide");
    }
    void requestClose() override {
        log.push_back("requestClose");
        bool cancel = false;
        events->Form_QueryUnload(cancel);
        closed = closed || !cancel;
    }
    bool trayAvailable() const override { return tray; }
    void showTrayIcon(const std::string& tip) override {
        trayTip = tip;
        log.push_back("trayIcon " + tip);
    }
    void removeTrayIcon() override {
        trayTip.reset();
        log.push_back("removeTrayIcon");
    }
    void processEvents() override {
        log.push_back("processEvents");
        if (onProcessEvents) {
            onProcessEvents();
        }
    }
    void runEventLoop() override {
        log.push_back("runEventLoop");
        if (whileRunning) {
            whileRunning();
        }
    }
    void quitEventLoop() override { log.push_back("quitEventLoop"); }
    void setLampTimer(std::chrono::milliseconds interval) override {
        lampInterval = interval;
        lampTimer = interval.count() > 0;
    }
    void notifyRelayNews() override {
        ++relayWakes;
        events->relayNews();
    }
    void notifyDevicesChanged() override { events->devicesChanged(); }
    void setServiceSearchActive(bool active) override { serviceSearch = active; }
    void setSettingsRetryActive(bool active) override { settingsRetry = active; }
};

// Shell services that open nothing and report what they were asked.
class FakeShell : public ShellServices {
  public:
    std::vector<std::string> opened, started, installed, regularFiles;
    bool startFails = false;

    bool openDocument(const std::string& pathOrUrl) override {
        opened.push_back(pathOrUrl);
        return true;
    }
    bool startDetached(const std::string& program, const std::vector<std::string>& args) override {
        std::string line = program;
        for (const auto& arg : args) {
            line += " " + arg;
        }
        started.push_back(line);
        return !startFails;
    }
    bool programExists(const std::string& program) const override {
        return std::ranges::find(installed, program) != installed.end();
    }
    bool isRegularFile(const std::string& path) const override {
        return std::ranges::find(regularFiles, path) != regularFiles.end();
    }
};

} // namespace moxel::testing
