// The window against its layout table: every control where the table puts
// it, in its kind, container, caption, font and colour; the tab order; and
// captions that keep clear of their neighbours.
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ViewFixture.h"
#include "app/qt/AppFonts.h"
#include "app/qt/CaptionLabel.h"
#include "app/qt/FontWarmUp.h"
#include "app/window/WindowLayout.h"

namespace moxel {
namespace {

using test::ViewTest;

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The window's face is found by any of its names: under a Japanese locale the
// font database lists IPAPGothic as "IPA Pゴシック" (CTest runs this also with
// LANG=ja_JP.UTF-8).
TEST(AppFontsTest, TheStandInFaceIsTheWindowsWhateverNameTheLocaleGivesIt) {
    QFontDatabase::families(); // the database read, its aliases are known
    if (!QFontDatabase::hasFamily("IPAPGothic")) {
        GTEST_SKIP() << "IPAPGothic is not installed";
    }
    QFont standIn;
    standIn.setFamilies({"IPAPGothic"});
    for (const FontRole role : {FontRole::Default, FontRole::Small, FontRole::LargeBold}) {
        EXPECT_EQ(QFontInfo(appFont(role)).family(), QFontInfo(standIn).family());
    }
    EXPECT_EQ(QFontInfo(menuFont()).family(), QFontInfo(standIn).family());
}

// Readying the fonts ahead ends however start-up goes: also when the toolkit
// never came up (a warm-up that waited for it would hold the exit forever).
TEST(FontWarmUpTest, EndsWithOrWithoutTheToolkitAndLeavesTheFacesFound) {
    { const FontWarmUp neverTold; }
    {
        FontWarmUp told;
        told.toolkitStarted();
        told.toolkitStarted(); // once is enough; again is harmless
    }
    EXPECT_EQ(appFont(FontRole::Default).families().isEmpty(), QFontDatabase::families().isEmpty());
}

TEST_F(ViewTest, WindowIsMoxelOnBlackWithAFixedClientArea) {
    EXPECT_EQ(view.windowTitle(), "Moxel");
    EXPECT_EQ(view.size(), QSize(196, 114));
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    EXPECT_TRUE(view.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(view.windowIcon().isNull());
    EXPECT_EQ(view.grab().toImage().pixelColor(120, 3), QColor(0, 0, 0)); // bare background
}

TEST_F(ViewTest, EveryControlMatchesTheLayoutTable) {
    std::vector<std::string> tabStops;
    for (const ControlEntry& entry : windowControls()) {
        SCOPED_TRACE(std::string(entry.name));
        QWidget* widget = control(std::string(entry.name).c_str());
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), entry.container == Container::Window
                                              ? static_cast<QWidget*>(&view)
                                              : view.findChild<QGroupBox*>("FrameTempo"));
        const QRect table(twipsToPixels(entry.left), twipsToPixels(entry.top),
                          twipsToPixels(entry.width), twipsToPixels(entry.height));
        EXPECT_EQ(widget->pos(), table.topLeft());
        EXPECT_EQ(widget->height(), table.height());
        if (auto* label = qobject_cast<CaptionLabel*>(widget)) {
            EXPECT_EQ(entry.kind, ControlKind::Label);
            EXPECT_EQ(label->text(), qt(entry.caption));
            EXPECT_EQ(label->textFormat(), Qt::PlainText); // no access-key markers
            // As wide as the table says, or wider if the caption needs it.
            EXPECT_EQ(label->width(), std::max(table.width(), label->captionWidth(label->text())));
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
        } else {
            EXPECT_EQ(widget->width(), table.width());
        }
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            EXPECT_EQ(entry.kind, ControlKind::DropDownList);
            EXPECT_FALSE(box->isEditable());
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(entry.kind, ControlKind::PushButton);
            EXPECT_EQ(button->text(), qt(entry.caption));
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(entry.kind, ControlKind::Frame);
            EXPECT_EQ(frame->title(), qt(entry.caption));
        }
        if (entry.kind == ControlKind::DropDownList || entry.kind == ControlKind::PushButton) {
            tabStops.emplace_back(entry.name);
        }
        EXPECT_EQ(widget->font().pixelSize(), appFont(entry.font).pixelSize());
        const QString face = QFontInfo(widget->font()).family(); // the layout's, or its stand-in
        EXPECT_TRUE(face == "ＭＳ Ｐゴシック" || face == "IPAPGothic") << face.toStdString();
        EXPECT_EQ(widget->font().bold(), entry.font == FontRole::LargeBold);
        const QPalette system = QApplication::palette(widget);
        const Rgb rgb = entry.color == TextColor::White ? whiteText : lightGreyText;
        EXPECT_EQ(widget->palette().color(QPalette::WindowText),
                  entry.color == TextColor::System ? system.color(QPalette::WindowText)
                                                   : QColor(rgb.red, rgb.green, rgb.blue));
    }

    // Tab walks the lists and buttons in table order, starting on the input list.
    showActive();
    for (std::size_t i = 0; i <= tabStops.size(); ++i) {
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(),
                  tabStops[i % tabStops.size()]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(ViewTest, CaptionsKeepClearOfTheirNeighboursAndGrowWithTheirText) {
    EXPECT_LT(control("LblCh")->geometry().right(), control("FrameTempo")->x());
    EXPECT_LT(control("LblPreset")->geometry().right(), control("LblPatch")->x());
    auto* tempo = control<CaptionLabel>("LblTempo");
    EXPECT_LE(tempo->x() + tempo->captionWidth(tempo->text().trimmed()),
              control("LblTempoVal")->x());

    auto* value = control<CaptionLabel>("LblTempoVal");
    const QPoint topLeft = value->pos();
    for (const char* text : {"120.000", "999.999"}) { // an everyday tempo fits the frame
        view.setCaption(LabelId::TempoVal, text);
        EXPECT_EQ(view.size(), QSize(196, 114)) << text;
    }
    const int everyday = value->width();
    view.setCaption(LabelId::TempoVal, "240000.000"); // frame and window widen to show it whole
    EXPECT_EQ(value->pos(), topLeft);
    EXPECT_GT(value->width(), everyday);
    EXPECT_LE(value->mapTo(&view, QPoint(value->width(), 0)).x(), view.width());
    EXPECT_LE(value->geometry().right(), control("FrameTempo")->width());
    EXPECT_EQ(view.height(), 114);
    view.setCaption(LabelId::TempoVal, "0.000"); // and shrink back
    EXPECT_EQ(view.size(), QSize(196, 114));
    EXPECT_LT(value->width(), everyday);
}

} // namespace
} // namespace moxel
