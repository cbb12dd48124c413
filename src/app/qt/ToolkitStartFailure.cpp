#include "app/qt/ToolkitStartFailure.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include <QByteArray>
#include <QString>

namespace moxel {

namespace {

// A message held back, with what its context named.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QByteArray file;
    QByteArray function;
    int line;
    QString text;
};

std::mutex g_mutex;
std::vector<HeldMessage> g_held;
int g_exitStatus = 1;

// Why the toolkit could not start: the first of its platform messages,
// without the empty plugin folder it names ("... in \"\"").
std::string reasonOf(const std::vector<HeldMessage>& held) {
    for (const HeldMessage& message : held) {
        if (message.category.startsWith("qt.qpa")) {
            QString text = message.text;
            if (text.endsWith(QStringLiteral(" in \"\""))) {
                text.chop(6);
            }
            return text.toStdString();
        }
    }
    return "no platform plugin could be started";
}

void holdOrGiveUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::lock_guard lock(g_mutex);
    if (type != QtFatalMsg) {
        g_held.push_back(
            {type, context.category, context.file, context.function, context.line, text});
        return;
    }
    const std::string line = "moxel: cannot show the window: " + reasonOf(g_held) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    // Nothing is open yet that needs closing; no abort, no core.
    ::_exit(g_exitStatus);
}

} // namespace

ToolkitStartFailure::ToolkitStartFailure(int exitStatus) {
    g_exitStatus = exitStatus;
    previous_ = qInstallMessageHandler(holdOrGiveUp);
    watching_ = true;
}

ToolkitStartFailure::~ToolkitStartFailure() {
    started();
}

void ToolkitStartFailure::started() {
    if (!watching_) {
        return;
    }
    watching_ = false;
    qInstallMessageHandler(previous_);
    std::vector<HeldMessage> held;
    {
        const std::lock_guard lock(g_mutex);
        held.swap(g_held);
    }
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(message.file.constData(), message.line,
                                         message.function.constData(),
                                         message.category.constData());
        if (previous_ != nullptr) {
            previous_(message.type, context, message.text);
        } else {
            qt_message_output(message.type, context, message.text);
        }
    }
}

} // namespace moxel
