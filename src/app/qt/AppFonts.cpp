#include "app/qt/AppFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace moxel {

namespace {

const QStringList layoutFaces{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")};

// The faces of the window that are installed, the layout's first. Only those
// are asked for: a face that is not installed would make the font lookup ask
// the system for its substitutes, for every font of the window. A face is
// known by all its names: the font database lists a family by its name in
// the locale's language ("IPA Pゴシック" under a Japanese locale) and knows
// the others as aliases, which it resolves once it has been read.
const QStringList& installedFaces() {
    static const QStringList faces = [] {
        QFontDatabase::families(); // reads the database
        QStringList found;
        for (const QString& face : layoutFaces + QStringList{QStringLiteral("IPAPGothic")}) {
            if (QFontDatabase::hasFamily(face)) {
                found.append(face);
            }
        }
        return found;
    }();
    return faces;
}

QFont face(int pixelSize) {
    QFont font;
    font.setFamilies(installedFaces());
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
    return !installedFaces().isEmpty() && layoutFaces.contains(installedFaces().front());
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
