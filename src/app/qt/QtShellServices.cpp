#include "app/qt/QtShellServices.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

namespace moxel {

bool QtShellServices::openDocument(const std::string& pathOrUrl) {
    const QString text = QString::fromStdString(pathOrUrl);
    if (!text.startsWith('/')) {
        return QDesktopServices::openUrl(QUrl(text));
    }
    // A local page may name a section after "#": that is no part of the
    // file's name.
    const qsizetype hash = text.indexOf('#');
    QUrl url = QUrl::fromLocalFile(hash < 0 ? text : text.left(hash));
    if (hash >= 0) {
        url.setFragment(text.mid(hash + 1));
    }
    return QDesktopServices::openUrl(url);
}

bool QtShellServices::startDetached(const std::string& program,
                                    const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& arg : args) {
        list << QString::fromStdString(arg);
    }
    return QProcess::startDetached(QString::fromStdString(program), list);
}

bool QtShellServices::programExists(const std::string& program) const {
    return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
}

bool QtShellServices::isRegularFile(const std::string& path) const {
    return QFileInfo(QString::fromStdString(path)).isFile();
}

} // namespace moxel
