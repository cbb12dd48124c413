// moxel_icon_pngs: the program's icon as PNG files of a desktop icon theme,
// drawn by the same code as the window's icon.
//
// usage: moxel_icon_pngs FOLDER NAME SIZE...
// Writes FOLDER/<size>x<size>/apps/NAME.png for every SIZE (in pixels). Needs
// no display with QT_QPA_PLATFORM=offscreen. Exits non-zero when a size is
// not a number from 1 to 1024 or a file cannot be written.
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>

#include "app/qt/AppIcon.h"
#include "peer/RuntimeFolder.h"

namespace {

constexpr int largestSize = 1024;

bool writeIcon(const QString& folder, const QString& name, int size) {
    const QString sizeFolder = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString file = sizeFolder + "/" + name + ".png";
    const bool written = QDir().mkpath(sizeFolder) && moxel::paintAppIcon(size).save(file, "PNG");
    if (!written) {
        std::fprintf(stderr, "moxel_icon_pngs: could not write %s\n", qPrintable(file));
    }
    return written;
}

} // namespace

int main(int argc, char* argv[]) {
    const moxel::test::RuntimeFolder runtime; // none needed, and no warning about it
    const QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: moxel_icon_pngs FOLDER NAME SIZE...\n");
        return 2;
    }
    bool allWritten = true;
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        bool isNumber = false;
        const int size = arguments[i].toInt(&isNumber);
        if (!isNumber || size < 1 || size > largestSize) {
            std::fprintf(stderr, "moxel_icon_pngs: not a size: %s\n", qPrintable(arguments[i]));
            return 2;
        }
        allWritten = writeIcon(arguments[1], arguments[2], size) && allWritten;
    }
    return allWritten ? 0 : 1;
}
