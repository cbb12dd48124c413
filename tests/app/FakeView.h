#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/MainView.h"
#include "app/MainWindowEvents.h"
#include "shell/ShellServices.h"

namespace moxel::testing {

// A screen for the presenter's tests: keeps what it was told and logs the
// calls that matter for ordering.
class FakeView : public MainView {
  public:
    struct Box {
        std::string text;
        std::string title;
        MessageIcon icon;
    };

    MainWindowEvents* events = nullptr; // for the window's own reactions
    std::vector<std::string> log;
    std::map<ListId, std::vector<std::string>> lists;
    std::map<ListId, int> selected;
    std::map<LabelId, std::string> captions;
    std::map<LampId, std::vector<Rgb>> lampPaints;
    std::map<CheckItem, bool> checks;
    std::vector<Box> boxes;
    std::deque<std::optional<std::string>> inputAnswers; // what the user types
    std::vector<std::string> inputPrompts;
    std::vector<bool> popups; // eitherButtonChooses per pop-up
    bool topMost = false;
    int topMostCalls = 0;
    WindowState state = WindowState::Normal;
    bool visible = true;
    bool tray = true; // a notification area exists
    std::optional<std::string> trayTip;
    bool lampTimer = false;
    int relayNotifications = 0;
    bool closed = false;
    // Called inside runEventLoop(), as if the user did things meanwhile.
    std::function<void()> whileRunning;

    void clearList(ListId list) override {
        lists[list].clear();
        selected[list] = -1;
        log.push_back("clear " + name(list));
    }
    void addListItem(ListId list, const std::string& text) override { lists[list].push_back(text); }
    int listCount(ListId list) const override {
        const auto it = lists.find(list);
        return it == lists.end() ? 0 : static_cast<int>(it->second.size());
    }
    std::string listItem(ListId list, int position) const override {
        const auto& items = lists.at(list);
        return position >= 0 && position < static_cast<int>(items.size()) ? items[position] : "";
    }
    void setListItem(ListId list, int position, const std::string& text) override {
        lists.at(list).at(position) = text;
    }
    int selectedIndex(ListId list) const override {
        const auto it = selected.find(list);
        return it == selected.end() ? -1 : it->second;
    }
    void selectIndex(ListId list, int position) override {
        selected[list] = position;
        log.push_back("select " + name(list) + " " + std::to_string(position));
    }
    void setCaption(LabelId label, const std::string& text) override { captions[label] = text; }
    void setLampColor(LampId lamp, Rgb color) override { lampPaints[lamp].push_back(color); }
    void setChecked(CheckItem item, bool checked) override { checks[item] = checked; }
    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
        boxes.push_back({text, title, icon});
        log.push_back("messageBox " + title);
    }
    std::optional<std::string> inputBox(const std::string& prompt,
                                        const std::string& title) override {
        inputPrompts.push_back(title + "|" + prompt);
        if (inputAnswers.empty()) {
            return std::nullopt;
        }
        auto answer = inputAnswers.front();
        inputAnswers.pop_front();
        return answer;
    }
    void popupMenu(bool eitherButtonChooses) override {
        popups.push_back(eitherButtonChooses);
        log.push_back("popup");
    }
    void setTopMost(bool on) override {
        topMost = on;
        ++topMostCalls;
        log.push_back(on ? "topMost on" : "topMost off");
    }
    WindowState windowState() const override { return state; }
    void restoreWindow() override {
        state = WindowState::Normal;
        visible = true;
        log.push_back("restore");
        if (events != nullptr) {
            events->Form_Resize();
        }
    }
    void hideWindow() override {
        visible = false;
        log.push_back("hide");
    }
    void requestClose() override {
        log.push_back("requestClose");
        bool cancel = false;
        if (events != nullptr) {
            events->Form_QueryUnload(cancel);
        }
        if (!cancel) {
            closed = true;
            visible = false;
        }
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
    void processEvents() override { log.push_back("processEvents"); }
    void runEventLoop() override {
        log.push_back("runEventLoop");
        if (whileRunning) {
            whileRunning();
        }
    }
    void quitEventLoop() override { log.push_back("quitEventLoop"); }
    void setLampTimerActive(bool active) override { lampTimer = active; }
    void notifyRelayActivity() override {
        ++relayNotifications;
        if (events != nullptr) {
            events->relayActivity();
        }
    }

    static std::string name(ListId list) {
        switch (list) {
        case ListId::MidiIn:
            return "MidiIn";
        case ListId::MidiOut:
            return "MidiOut";
        case ListId::MidiCh:
            return "MidiCh";
        case ListId::BeatPer:
            return "BeatPer";
        }
        return "?";
    }
};

// Shell services that open nothing and report what they were asked.
class FakeShell : public ShellServices {
  public:
    std::vector<std::string> opened;
    std::vector<std::string> started;
    std::vector<std::string> installed; // programs on PATH
    std::vector<std::string> regularFiles;
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
        return std::find(installed.begin(), installed.end(), program) != installed.end();
    }
    bool isRegularFile(const std::string& path) const override {
        return std::find(regularFiles.begin(), regularFiles.end(), path) != regularFiles.end();
    }
};

} // namespace moxel::testing
