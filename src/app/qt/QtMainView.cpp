#include "app/qt/QtMainView.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/platform/MillisecondClock.h"
#include "app/qt/AccessibleList.h"
#include "app/qt/AppFonts.h"
#include "app/qt/AppIcon.h"
#include "app/qt/CaptionFrame.h"
#include "app/qt/CaptionLabel.h"
#include "app/qt/PopupMenu.h"
#include "app/qt/TapButton.h"
#include "app/qt/WindowKeyFilter.h"
#include "app/window/MenuCommands.h"
#include "app/window/SpokenTexts.h"
#include "app/window/WindowLayout.h"

namespace moxel {

namespace {

constexpr Qt::WindowFlags mainWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

const QString applicationTitle = QStringLiteral("Moxel");

// Room between a grown label and the right border line of its frame.
constexpr int frameInnerMargin = 2;

QString toQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Button and frame captions are shown as they are: no access-key markers.
QString literalCaption(std::string_view caption) {
    return toQt(caption).replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString boxText(const std::string& text) {
    return toQt(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QRect pixelGeometry(const ControlEntry& entry) {
    return {twipsToPixels(entry.left), twipsToPixels(entry.top), twipsToPixels(entry.width),
            twipsToPixels(entry.height)};
}

QColor toColor(Rgb rgb) {
    return {rgb.red, rgb.green, rgb.blue};
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

// Lists and buttons inside the frame keep the system's text colours rather
// than inheriting the frame caption's.
void keepSystemTextColors(QWidget* widget) {
    const QPalette system = QApplication::palette(widget);
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
        for (const QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, role, system.color(group, role));
        }
    }
    widget->setPalette(palette);
}

MouseButton toMouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    default:
        return MouseButton::Middle; // the middle button and any further one
    }
}

// Screen readers take the window for what it is, a frame: not for a filler,
// which Qt makes of a plain widget.
QAccessibleInterface* mainWindowFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("moxel::QtMainView") && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

} // namespace

QtMainView::QtMainView() : QWidget(nullptr, mainWindowFlags) {
    static const bool accessibleWindow = [] {
        QAccessible::installFactory(mainWindowFactory);
        return true;
    }();
    (void)accessibleWindow;
    setWindowTitle(applicationTitle);
    setWindowIcon(appIcon());
    setFixedSize(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips));

    // The controls and the window on the display first, their fonts after:
    // none of that needs a font, and meanwhile the font database may still be
    // being read (FontWarmUp).
    AccessibleList::install();
    buildControls();
    connectControls();
    create();
    applyFonts();
    for (const ControlEntry& entry : windowControls()) {
        auto* widget = findChild<QWidget*>(toQt(entry.name));
        speak(widget, toQt(entry.caption));
        if (widget != lamps_[0] && widget != lamps_[1]) { // a lamp's description is its state
            widget->setToolTip(widget->accessibleDescription()); // the keys that work it
        }
    }

    popup_ = new PopupMenu(
        this, [this](const std::string& name, int index) { menuItemChosen(name, index); });

    makeTimers();

    new WindowKeyFilter(
        this,
        [this](WindowKey key, bool repeat) {
            if (events_ != nullptr) {
                keys_.press(*events_, key, repeat, millisecondCounter());
            }
        },
        [this] { keys_.closed(millisecondCounter()); });

    combo(ListId::MidiIn)->setFocus();
}

// The presenter's timers: each tick goes to the presenter once it listens.
QTimer* QtMainView::makeTimer(const char* name, void (MainWindowEvents::*tick)()) {
    auto* timer = new QTimer(this);
    timer->setObjectName(QLatin1String(name));
    connect(timer, &QTimer::timeout, this, [this, tick] {
        if (events_ != nullptr) {
            (events_->*tick)();
        }
    });
    return timer;
}

void QtMainView::makeTimers() {
    lampTimer_ = makeTimer("lampTimer", &MainWindowEvents::lampTick);
    lampTimer_->setTimerType(Qt::PreciseTimer);
    serviceSearchTimer_ = makeTimer("serviceSearchTimer", &MainWindowEvents::serviceSearchTick);
    serviceSearchTimer_->setInterval(kServiceSearchInterval);
    settingsRetryTimer_ = makeTimer("settingsRetryTimer", &MainWindowEvents::settingsRetryTick);
    settingsRetryTimer_->setInterval(kSettingsRetryInterval);
}

QtMainView::~QtMainView() = default;

void QtMainView::setEvents(MainWindowEvents* events) {
    events_ = events;
}

// One control of the layout table, in its container, with its caption,
// geometry and colours; its font comes with applyFonts.
QWidget* QtMainView::createControl(const ControlEntry& entry, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (entry.kind) {
    case ControlKind::Label: {
        auto* label = new CaptionLabel(parent);
        label->setText(toQt(entry.caption)); // plain text: '&' is just '&'
        widget = label;
        break;
    }
    case ControlKind::DropDownList:
        widget = new QComboBox(parent);
        break;
    case ControlKind::PushButton:
        widget = entry.name == "CmdTempoBeat"
                     ? new TapButton(literalCaption(entry.caption), parent)
                     : new QPushButton(literalCaption(entry.caption), parent);
        break;
    case ControlKind::Frame:
        frameTempo_ = new CaptionFrame(QString(), parent); // its caption needs its font
        widget = frameTempo_;
        break;
    }
    widget->setObjectName(toQt(entry.name));
    widget->setGeometry(pixelGeometry(entry));
    if (entry.color != TextColor::System) {
        setTextColor(widget, toColor(entry.color == TextColor::White ? whiteText : lightGreyText));
    } else if (parent != this) {
        keepSystemTextColors(widget);
    }
    return widget;
}

// Every control's font; a label is as wide as its caption needs, the frame
// shows its caption.
void QtMainView::applyFonts() {
    setFont(appFont(FontRole::Default));
    for (const ControlEntry& entry : windowControls()) {
        auto* widget = findChild<QWidget*>(toQt(entry.name));
        widget->setFont(appFont(entry.font));
        if (entry.kind == ControlKind::Label) {
            auto* label = static_cast<CaptionLabel*>(widget);
            label->resize(std::max(label->width(), label->captionWidth(label->text())),
                          label->height());
        } else if (entry.kind == ControlKind::Frame) {
            frameTempo_->setTitle(literalCaption(entry.caption));
        }
    }
}

void QtMainView::buildControls() {
    std::vector<QWidget*> tabOrder;
    std::vector<QWidget*> labels;
    for (const ControlEntry& entry : windowControls()) {
        QWidget* parent =
            entry.container == Container::FrameTempo ? static_cast<QWidget*>(frameTempo_) : this;
        QWidget* widget = createControl(entry, parent);
        if (entry.kind == ControlKind::Label) {
            labels.push_back(widget);
        } else if (entry.kind != ControlKind::Frame) {
            tabOrder.push_back(widget); // the table is in tab order
        }
    }
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    // Labels lie beneath the other controls where they touch.
    for (QWidget* label : labels) {
        label->lower();
    }

    const auto find = [this](const char* name) { return findChild<QWidget*>(name); };
    lists_ = {
        static_cast<QComboBox*>(find("CmbMidiIn")), static_cast<QComboBox*>(find("CmbMidiOut")),
        static_cast<QComboBox*>(find("CmbMidiCh")), static_cast<QComboBox*>(find("CmbBeatPer"))};
    captions_ = {static_cast<CaptionLabel*>(find("LblTempoVal")),
                 static_cast<CaptionLabel*>(find("LblPatch"))};
    lamps_ = {static_cast<CaptionLabel*>(find("LblMidiIn")),
              static_cast<CaptionLabel*>(find("LblMidiOut"))};
}

// What a screen reader says for a control while it shows `caption`.
void QtMainView::speak(QWidget* widget, const QString& caption) {
    if (const auto spoken = spokenText(widget->objectName().toStdString(), caption.toStdString())) {
        widget->setAccessibleName(toQt(spoken->name));
        widget->setAccessibleDescription(toQt(spoken->description));
    }
}

void QtMainView::connectControls() {
    // A list's tooltip shows the whole name of what is chosen; it is what
    // assistive technology reads as the list's description too, and is told
    // of (as it is of a new accessible description).
    for (QComboBox* box : lists_) {
        connect(box, &QComboBox::currentTextChanged, box, [box](const QString& text) {
            box->setToolTip(text);
            QAccessibleEvent event(box, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&event);
        });
    }
    // `activated` comes from the user only, also for the entry already chosen.
    for (const auto& chosen : {std::pair{ListId::MidiIn, &MainWindowEvents::CmbMidiIn_Click},
                               {ListId::MidiOut, &MainWindowEvents::CmbMidiOut_Click},
                               {ListId::MidiCh, &MainWindowEvents::channelChosen},
                               {ListId::BeatPer, &MainWindowEvents::beatPerChosen}}) {
        const auto handler = chosen.second;
        connect(combo(chosen.first), &QComboBox::activated, this, [this, handler](int position) {
            if (events_ != nullptr) {
                (events_->*handler)(position);
            }
        });
    }
    connect(findChild<TapButton*>("CmdTempoBeat"), &TapButton::tapped, this,
            [this](Qt::MouseButton button) {
                if (events_ != nullptr) {
                    events_->CmdTempoBeat_MouseDown(toMouseButton(button));
                }
            });
    connect(findChild<QPushButton*>("CmdTempoReset"), &QPushButton::clicked, this, [this] {
        if (events_ != nullptr) {
            events_->CmdTempoReset_Click();
        }
    });
    connect(captions_[static_cast<int>(LabelId::Patch)], &CaptionLabel::doubleClicked, this,
            [this] {
                if (events_ != nullptr) {
                    events_->LblPatch_DblClick();
                }
            });
}

QComboBox* QtMainView::combo(ListId list) const {
    return lists_[static_cast<int>(list)];
}

void QtMainView::clearList(ListId list) {
    combo(list)->clear();
}

void QtMainView::addListItem(ListId list, const std::string& text) {
    QComboBox* box = combo(list);
    const bool noneSelected = box->currentIndex() < 0;
    box->addItem(toQt(text));
    if (noneSelected) {
        box->setCurrentIndex(-1); // adding an entry selects nothing
    }
    fitOpenList(box);
}

// Port names are long ("a2j:Arturia KeyStep 37 [24] (capture): ..."): the open
// list is as wide as its widest entry, and the closed list's tooltip shows the
// whole name of the chosen one.
void QtMainView::fitOpenList(QComboBox* box) {
    const QFontMetrics metrics(box->view()->font());
    int widest = 0;
    for (int i = 0; i < box->count(); ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
    }
    const int room =
        style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4 * metrics.averageCharWidth();
    box->view()->setMinimumWidth(std::max(box->width(), widest + room));
}

int QtMainView::listCount(ListId list) const {
    return combo(list)->count();
}

std::string QtMainView::listItem(ListId list, int position) const {
    return combo(list)->itemText(position).toStdString(); // empty outside the list
}

void QtMainView::setListItem(ListId list, int position, const std::string& text) {
    QComboBox* box = combo(list);
    if (position >= 0 && position < box->count()) {
        box->setItemText(position, toQt(text));
        fitOpenList(box);
    }
}

int QtMainView::selectedIndex(ListId list) const {
    return combo(list)->currentIndex();
}

void QtMainView::selectIndex(ListId list, int position) {
    QComboBox* box = combo(list);
    if (position >= -1 && position < box->count()) {
        box->setCurrentIndex(position); // raises no `activated`
    }
}

void QtMainView::setCaption(LabelId label, const std::string& text) {
    CaptionLabel* caption = captions_[static_cast<int>(label)];
    caption->setCaption(toQt(text));
    speak(caption, caption->text());
    fitToCaptions();
}

// A grown caption stays fully visible: its frame and the window widen while
// it needs the room and return to their own sizes when it shrinks again.
void QtMainView::fitToCaptions() {
    const auto neededWidth = [](const QWidget* container, int ownWidth, int margin) {
        int width = ownWidth;
        for (const QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isWindow()) {
                width = std::max(width, child->geometry().right() + 1 + margin);
            }
        }
        return width;
    };
    const ControlEntry* frame = findControl("FrameTempo");
    frameTempo_->resize(neededWidth(frameTempo_, twipsToPixels(frame->width), frameInnerMargin),
                        frameTempo_->height());
    const int width = neededWidth(this, twipsToPixels(clientWidthTwips), 0);
    if (width != this->width()) {
        setFixedSize(width, twipsToPixels(clientHeightTwips));
    }
}

// A lamp is lit while it shows any colour but its idle white.
void QtMainView::setLampColor(LampId lamp, Rgb color) {
    CaptionLabel* label = lamps_[static_cast<int>(lamp)];
    setTextColor(label, toColor(color));
    const bool lit = color != whiteText;
    if (std::exchange(lampLit_[static_cast<int>(lamp)], lit) != lit) {
        label->setAccessibleDescription(toQt(spokenLampState(lit))); // told when it changes
    }
}

void QtMainView::setChecked(CheckItem item, bool checked) {
    const CheckedMenuItem menuItem = menuItemOf(item);
    popup_->setChecked(menuItem.name, menuItem.index, checked);
}

void QtMainView::messageBox(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(
        icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
        title.empty() ? applicationTitle : toQt(title), boxText(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::optional<std::string> QtMainView::inputBox(const std::string& prompt,
                                                const std::string& title) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(this, title.empty() ? applicationTitle : toQt(title), boxText(prompt),
                              QLineEdit::Normal, QString(), &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return answer.toStdString();
}

// From the keyboard the menu opens below the focused control (at the
// window's corner when no control has the focus).
void QtMainView::popupMenu(bool eitherButtonChooses, MenuPlace place) {
    QPoint position = QCursor::pos();
    if (place == MenuPlace::FocusedControl) {
        const QWidget* focused = focusWidget();
        position = focused != nullptr ? focused->mapToGlobal(QPoint(0, focused->height()))
                                      : mapToGlobal(QPoint(0, 0));
    }
    popup_->exec(position, eitherButtonChooses);
}

void QtMainView::menuItemChosen(const std::string& name, int index) {
    if (events_ != nullptr) {
        runMenuCommand(*events_, name, index);
    }
}

void QtMainView::setTopMost(bool topMost) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topMost) {
        return;
    }
    // Changing the flags hides the window; bring it back where it was.
    const bool wasVisible = isVisible();
    const bool wasActive = isActiveWindow();
    const QPoint position = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    move(position);
    if (wasVisible) {
        show();
    }
    if (wasActive) {
        activateWindow();
    }
}

WindowState QtMainView::windowState() const {
    const Qt::WindowStates state = QWidget::windowState();
    if (state.testFlag(Qt::WindowMinimized)) {
        return WindowState::Minimized;
    }
    if (state.testFlag(Qt::WindowMaximized)) {
        return WindowState::Maximized;
    }
    return WindowState::Normal;
}

void QtMainView::restoreWindow() {
    setWindowState(QWidget::windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    raise();
    activateWindow();
}

void QtMainView::hideWindow() {
    hide();
}

void QtMainView::requestClose() {
    close();
}

bool QtMainView::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtMainView::showTrayIcon(const std::string& tip) {
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(windowIcon(), this);
        // No context menu of its own: a right press opens the program's
        // pop-up menu through the handler.
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (events_ == nullptr) {
                        return;
                    }
                    if (reason == QSystemTrayIcon::Trigger) {
                        events_->trayIconPressed(TrayPress::Left);
                    } else if (reason == QSystemTrayIcon::Context) {
                        events_->trayIconPressed(TrayPress::Right);
                    }
                });
    }
    tray_->setToolTip(toQt(tip));
    tray_->show();
}

void QtMainView::removeTrayIcon() {
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

void QtMainView::processEvents() {
    QCoreApplication::processEvents();
}

void QtMainView::runEventLoop() {
    // A quit asked for before the loop runs must not get lost, even when a
    // processEvents() call has already consumed the queued quit.
    if (!quitRequested_) {
        QApplication::exec();
    }
    quitRequested_ = false;
}

void QtMainView::quitEventLoop() {
    quitRequested_ = true;
    // A box still open ends too: one the start showed, before the loop runs,
    // would otherwise hold up every ending (SIGTERM as well) until answered.
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        box->reject();
    }
    QMetaObject::invokeMethod(
        this, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}

void QtMainView::setLampTimer(std::chrono::milliseconds interval) {
    if (interval.count() <= 0) {
        lampTimer_->stop();
    } else {
        lampTimer_->start(interval);
    }
}

void QtMainView::setServiceSearchActive(bool active) {
    if (!active) {
        serviceSearchTimer_->stop();
    } else if (!serviceSearchTimer_->isActive()) {
        serviceSearchTimer_->start();
    }
}

void QtMainView::setSettingsRetryActive(bool active) {
    if (!active) {
        settingsRetryTimer_->stop();
    } else if (!settingsRetryTimer_->isActive()) {
        settingsRetryTimer_->start();
    }
}

// Called from any thread. Several notes before the UI thread gets round to
// them make one call: the handler collects everything that is new.
void QtMainView::postOnce(std::atomic<bool>& pending, void (MainWindowEvents::*handler)()) {
    if (pending.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, &pending, handler] {
            pending.store(false);
            if (events_ != nullptr) {
                (events_->*handler)();
            }
        },
        Qt::QueuedConnection);
}

void QtMainView::notifyRelayNews() {
    postOnce(relayNotePending_, &MainWindowEvents::relayNews);
}

void QtMainView::notifyDevicesChanged() {
    postOnce(devicesNotePending_, &MainWindowEvents::devicesChanged);
}

void QtMainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toColor(windowBackground));
}

// Only a press on the bare background is the window's own; a press that a
// control left unhandled and that travelled up to here is not.
void QtMainView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (childAt(event->position().toPoint()) != nullptr || events_ == nullptr) {
        return;
    }
    switch (event->button()) {
    case Qt::LeftButton:
    case Qt::RightButton:
    case Qt::MiddleButton:
        events_->Form_MouseDown(toMouseButton(event->button()));
        break;
    default:
        break;
    }
}

void QtMainView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && events_ != nullptr) {
        events_->Form_Resize(windowState());
    }
}

void QtMainView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        if (events_ != nullptr) {
            events_->Form_Resize(windowState());
        }
    }
}

void QtMainView::closeEvent(QCloseEvent* event) {
    bool cancel = false;
    if (events_ != nullptr) {
        events_->Form_QueryUnload(cancel);
    }
    if (cancel) {
        event->ignore();
    } else {
        event->accept();
    }
}

} // namespace moxel
