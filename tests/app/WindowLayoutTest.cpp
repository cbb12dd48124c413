// The main window against its layout table: kinds, containers, captions,
// geometry in pixels, fonts, colours and the tab order.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/AppFonts.h"
#include "app/CaptionLabel.h"
#include "app/ViewFixture.h"
#include "app/WindowLayout.h"

namespace moxel {
namespace {

using test::ViewTest;

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TEST(WindowLayout, TwipsBecomePixelsAtFifteenTwipsEach) {
    EXPECT_EQ(twipsToPixels(0), 0);
    EXPECT_EQ(twipsToPixels(15), 1);
    EXPECT_EQ(twipsToPixels(-15), -1);
    EXPECT_EQ(twipsToPixels(2940), 196);
    EXPECT_EQ(twipsToPixels(1710), 114);
    EXPECT_EQ(twipsToPixels(7), 0);
    EXPECT_EQ(twipsToPixels(8), 1);
    EXPECT_EQ(twipsToPixels(-8), -1);
}

TEST(WindowLayout, TableHoldsSixteenControlsInTabOrderOnWholePixels) {
    const auto controls = windowControls();
    ASSERT_EQ(controls.size(), 16u);
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlEntry& entry = controls[i];
        EXPECT_EQ(entry.tabIndex, static_cast<int>(i)) << entry.name;
        EXPECT_TRUE(names.insert(entry.name).second) << "duplicate " << entry.name;
        for (const int twips : {entry.left, entry.top, entry.width, entry.height}) {
            EXPECT_EQ(twips % twipsPerPixel, 0) << entry.name;
        }
        EXPECT_EQ(findControl(entry.name), &entry);
    }
    EXPECT_EQ(findControl("NoSuchControl"), nullptr);
}

// Hand-computed pixel rectangles (x, y, width, height in the container).
struct PixelCase {
    const char* name;
    QRect rect;
};

class WindowPixels : public ViewTest, public ::testing::WithParamInterface<PixelCase> {};

// Labels are as wide as their caption, which depends a little on the face
// that stands in for the layout's; everything else is exact.
TEST_P(WindowPixels, ControlSitsWhereTheLayoutPutsIt) {
    const PixelCase& expected = GetParam();
    QWidget* widget = control(expected.name);
    ASSERT_NE(widget, nullptr);
    if (qobject_cast<QLabel*>(widget) != nullptr) {
        EXPECT_EQ(widget->pos(), expected.rect.topLeft());
        EXPECT_EQ(widget->height(), expected.rect.height());
        EXPECT_GE(widget->width(), expected.rect.width());
        EXPECT_LE(widget->width(), expected.rect.width() + 4);
    } else {
        EXPECT_EQ(widget->geometry(), expected.rect);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, WindowPixels,
                         ::testing::Values(PixelCase{"CmbMidiIn", {0, 9, 196, 19}},
                                           PixelCase{"CmbMidiOut", {0, 44, 196, 19}},
                                           PixelCase{"CmbMidiCh", {0, 81, 55, 19}},
                                           PixelCase{"LblInput", {13, -1, 29, 11}},
                                           PixelCase{"LblMidiOut", {2, 35, 8, 8}},
                                           PixelCase{"FrameTempo", {57, 65, 139, 50}},
                                           PixelCase{"LblTempoVal", {53, 8, 53, 21}},
                                           PixelCase{"CmdTempoBeat", {4, 28, 52, 20}},
                                           PixelCase{"CmbBeatPer", {99, 27, 36, 20}},
                                           PixelCase{"LblPatch", {30, 103, 18, 11}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewTest, WindowIsMoxelOnBlackWithAFixedClientArea) {
    EXPECT_EQ(view.windowTitle(), "Moxel");
    EXPECT_EQ(view.size(), QSize(196, 114));
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    EXPECT_TRUE(view.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(view.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(view.windowIcon().isNull());
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(120, 3), QColor(0, 0, 0)); // bare background
}

TEST_F(ViewTest, EveryControlMatchesTheLayoutTable) {
    for (const ControlEntry& entry : windowControls()) {
        SCOPED_TRACE(std::string(entry.name));
        QWidget* widget = control(std::string(entry.name).c_str());
        ASSERT_NE(widget, nullptr);

        QWidget* expectedParent = entry.container == Container::Window
                                      ? static_cast<QWidget*>(&view)
                                      : view.findChild<QGroupBox*>("FrameTempo");
        EXPECT_EQ(widget->parentWidget(), expectedParent);

        const QRect table(twipsToPixels(entry.left), twipsToPixels(entry.top),
                          twipsToPixels(entry.width), twipsToPixels(entry.height));
        EXPECT_EQ(widget->pos(), table.topLeft());
        EXPECT_EQ(widget->height(), table.height());

        switch (entry.kind) {
        case ControlKind::Label: {
            auto* label = qobject_cast<CaptionLabel*>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), qt(entry.caption));
            // As wide as the table says, or wider if the caption needs it.
            EXPECT_EQ(label->width(), std::max(table.width(), label->captionWidth(label->text())));
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
            EXPECT_FALSE(label->autoFillBackground());
            break;
        }
        case ControlKind::DropDownList: {
            auto* box = qobject_cast<QComboBox*>(widget);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->width(), table.width());
            EXPECT_FALSE(box->isEditable());
            EXPECT_EQ(box->lineEdit(), nullptr);
            EXPECT_EQ(box->count(), 0);
            break;
        }
        case ControlKind::PushButton: {
            auto* button = qobject_cast<QPushButton*>(widget);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), qt(entry.caption));
            EXPECT_EQ(button->width(), table.width());
            break;
        }
        case ControlKind::Frame: {
            auto* frame = qobject_cast<QGroupBox*>(widget);
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->title(), qt(entry.caption));
            EXPECT_EQ(frame->width(), table.width());
            EXPECT_EQ(frame->focusPolicy(), Qt::NoFocus);
            break;
        }
        }

        EXPECT_EQ(widget->font().pixelSize(), fontPixelSize(entry.font));
        EXPECT_EQ(widget->font().bold(), entry.font == FontRole::LargeBold);
        if (entry.color != TextColor::System) {
            const Rgb rgb = entry.color == TextColor::White ? whiteText : lightGreyText;
            EXPECT_EQ(widget->palette().color(QPalette::WindowText),
                      QColor(rgb.red, rgb.green, rgb.blue));
        } else {
            // The frame's caption colour does not leak into its lists and buttons.
            EXPECT_EQ(widget->palette().color(QPalette::Text),
                      QApplication::palette(widget).color(QPalette::Text));
        }
    }
}

TEST_F(ViewTest, LayoutFontsArePixelSizedAndUseTheLayoutsFace) {
    EXPECT_EQ(fontPixelSize(FontRole::Small), 11);
    EXPECT_EQ(fontPixelSize(FontRole::LargeBold), 21);
    EXPECT_EQ(fontPixelSize(FontRole::Lamp), 8);
    EXPECT_EQ(fontPixelSize(FontRole::Default), 12);

    const QStringList faces{"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"};
    const QStringList installed = QFontDatabase::families();
    if (std::none_of(faces.begin(), faces.end(),
                     [&](const QString& face) { return installed.contains(face); })) {
        GTEST_SKIP() << "none of the layout's faces is installed (fonts-ipafont-gothic)";
    }
    for (const FontRole role :
         {FontRole::Small, FontRole::LargeBold, FontRole::Lamp, FontRole::Default}) {
        const QFontInfo info(appFont(role));
        EXPECT_TRUE(faces.contains(info.family())) << info.family().toStdString();
        EXPECT_EQ(info.pixelSize(), fontPixelSize(role));
    }
}

// With the layout's face or its stand-in, captions keep clear of their
// neighbours and an everyday tempo fits the frame.
TEST_F(ViewTest, CaptionsKeepClearOfTheirNeighbours) {
    EXPECT_LT(control("LblCh")->geometry().right(), control("FrameTempo")->x());
    EXPECT_LT(control("LblPreset")->geometry().right(), control("LblPatch")->x());
    auto* tempo = control<CaptionLabel>("LblTempo");
    EXPECT_LE(tempo->x() + tempo->captionWidth(tempo->text().trimmed()),
              control("LblTempoVal")->x());
    for (const char* value : {"120.000", "999.999"}) {
        view.setCaption(LabelId::TempoVal, value);
        EXPECT_EQ(view.size(), QSize(196, 114)) << value;
        EXPECT_EQ(control("FrameTempo")->width(), 139) << value;
    }
}

TEST_F(ViewTest, NoCaptionShowsAnAccessKeyMarker) {
    for (QLabel* label : view.findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        EXPECT_EQ(label->buddy(), nullptr);
    }
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->text().contains('&'));
    }
}

// Every widget that Tab can reach, following the focus chain from `start`.
std::vector<std::string> tabStops(QWidget* start) {
    std::vector<std::string> names;
    QWidget* widget = start;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isEnabled()) {
            names.push_back(widget->objectName().toStdString());
        }
        widget = widget->nextInFocusChain();
    } while (widget != start && names.size() < 50);
    return names;
}

const std::vector<std::string> expectedTabOrder{"CmbMidiIn",    "CmbMidiOut",    "CmbMidiCh",
                                                "CmdTempoBeat", "CmdTempoReset", "CmbBeatPer"};

TEST_F(ViewTest, FocusChainRunsThroughTheSixControlsInTableOrder) {
    EXPECT_EQ(tabStops(control("CmbMidiIn")), expectedTabOrder);
}

TEST_F(ViewTest, TabWalksTheControlsAndComesBackStartingOnTheInputList) {
    showActive();
    ASSERT_EQ(QApplication::focusWidget(), control("CmbMidiIn"));
    std::vector<std::string> visited;
    for (std::size_t i = 0; i < expectedTabOrder.size(); ++i) {
        visited.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expectedTabOrder);
    EXPECT_EQ(QApplication::focusWidget(), control("CmbMidiIn"));
}

} // namespace
} // namespace moxel
