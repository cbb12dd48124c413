#include "app/qt/AppFonts.h"

#include <QFontInfo>
#include <QStringList>

namespace moxel {

namespace {

const QStringList layoutFaces{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")};

QFont face(int pixelSize) {
    QFont font;
    font.setFamilies(layoutFaces + QStringList{QStringLiteral("IPAPGothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

int fontPixelSize(FontRole role) {
    switch (role) {
    case FontRole::Small:
        return 11; // 8.25 pt
    case FontRole::LargeBold:
        return 21; // 15.75 pt
    case FontRole::Lamp:
        return 8; // 6 pt
    case FontRole::Default:
        break;
    }
    return 12; // 9 pt
}

bool layoutFaceInstalled() {
    static const bool installed = [] {
        QFont font;
        font.setFamilies(layoutFaces);
        return layoutFaces.contains(QFontInfo(font).family());
    }();
    return installed;
}

QFont appFont(FontRole role) {
    QFont font = face(fontPixelSize(role));
    font.setWeight(role == FontRole::LargeBold ? QFont::Bold : QFont::Normal);
    if (role != FontRole::Lamp && !layoutFaceInstalled()) {
        font.setStretch(standInStretch);
    }
    return font;
}

QFont menuFont() {
    return face(fontPixelSize(FontRole::Default));
}

} // namespace moxel
