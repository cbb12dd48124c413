#pragma once

#include <array>
#include <atomic>

#include <QWidget>

#include "app/window/MainView.h"
#include "app/window/MainWindowEvents.h"
#include "app/window/NotificationArea.h"
#include "app/window/UiLoop.h"
#include "app/window/WindowKeys.h"
#include "app/window/WindowLayout.h"

class QComboBox;
class QSystemTrayIcon;
class QTimer;

namespace moxel {

class CaptionFrame;
class CaptionLabel;
class PopupMenu;

// Moxel's main window, drawn with Qt Widgets: the controls of the window
// layout on a black background, the pop-up menu and the notification-area
// icon; its event loop is Qt's. It decides nothing: it shows what the
// presenter asks for and passes every user action to the MainWindowEvents
// handlers, the window's keys too (WindowKeys.h). Each control's object name
// is its name in the window layout; its accessible name and description are
// what a screen reader says for it (SpokenTexts.h).
class QtMainView : public QWidget, public MainView, public NotificationArea, public UiLoop {
    Q_OBJECT
  public:
    QtMainView();
    ~QtMainView() override;

    // The handlers to call; null calls nothing.
    void setEvents(MainWindowEvents* events);

    void clearList(ListId list) override;
    void addListItem(ListId list, const std::string& text) override;
    void setListItem(ListId list, int position, const std::string& text) override;
    void selectIndex(ListId list, int position) override;

    void setCaption(LabelId label, const std::string& text) override;
    void setLampColor(LampId lamp, Rgb color) override;
    void setChecked(CheckItem item, bool checked) override;

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    std::optional<std::string> inputBox(const std::string& prompt,
                                        const std::string& title) override;
    void popupMenu(bool eitherButtonChooses, MenuPlace place) override;

    void setTopMost(bool topMost) override;
    void restoreWindow() override;
    void hideWindow() override;
    void requestClose() override;

    bool trayAvailable() const override;
    void showTrayIcon(const std::string& tip) override;
    void removeTrayIcon() override;

    void processEvents() override;
    void runEventLoop() override;
    void quitEventLoop() override;
    void setLampTimer(std::chrono::milliseconds interval) override;
    void notifyRelayNews() override;
    void notifyDevicesChanged() override;
    void setServiceSearchActive(bool active) override;
    void setSettingsRetryActive(bool active) override;

    // What the window shows, for tests: the presenter never reads it back.
    std::string listItem(ListId list, int position) const; // "" when there is none
    int listCount(ListId list) const;
    int selectedIndex(ListId list) const; // -1: nothing selected
    WindowState windowState() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    QTimer* makeTimer(const char* name, void (MainWindowEvents::*tick)());
    void makeTimers();
    QWidget* createControl(const ControlEntry& entry, QWidget* parent);
    void applyFonts();
    void connectControls();
    void speak(QWidget* widget, const QString& caption);
    void fitToCaptions();
    QComboBox* combo(ListId list) const;
    void fitOpenList(QComboBox* box);
    void menuItemChosen(const std::string& name, int index);
    // Runs handler on the UI thread soon; several calls before it runs make
    // one run (pending is the flag that tells).
    void postOnce(std::atomic<bool>& pending, void (MainWindowEvents::*handler)());

    MainWindowEvents* events_ = nullptr;
    WindowKeys keys_;
    std::array<QComboBox*, 4> lists_{};       // by ListId
    std::array<CaptionLabel*, 2> captions_{}; // by LabelId
    std::array<CaptionLabel*, 2> lamps_{};    // by LampId
    std::array<bool, 2> lampLit_{};           // what a screen reader was told
    CaptionFrame* frameTempo_ = nullptr;
    PopupMenu* popup_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* lampTimer_ = nullptr;
    QTimer* serviceSearchTimer_ = nullptr;
    QTimer* settingsRetryTimer_ = nullptr;
    bool shownBefore_ = false;
    bool quitRequested_ = false;
    std::atomic<bool> relayNotePending_{false};
    std::atomic<bool> devicesNotePending_{false};
};

} // namespace moxel
