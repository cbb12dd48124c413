#include "app/qt/ShowOnRequest.h"

#include <utility>

#include <QLocalServer>
#include <QLocalSocket>

namespace moxel {

ShowOnRequest::ShowOnRequest(const std::string& socketFile, std::function<void()> show,
                             QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), show_(std::move(show)) {
    const QString name = QString::fromStdString(socketFile);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        QLocalServer::removeServer(name);
        server_->listen(name);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            show_();
        }
    });
}

} // namespace moxel
