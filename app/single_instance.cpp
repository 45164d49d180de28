#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include "common/run_directory.h"

namespace qinghe::ui {
namespace {

QString serverNameFor(const std::filesystem::path& runDirectory) {
    QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(runDirectory.string()),
                                               QCryptographicHash::Sha1);
    return QStringLiteral("qinghe-") + QString::fromLatin1(hash.toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& runDirectory)
    : runDirectory_(runDirectory), serverName_(serverNameFor(runDirectory)) {}

bool SingleInstance::acquire() {
    lock_ = RunLock::take(runDirectory_, RunLock::Kind::Exclusive);
    if (!lock_) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(1000)) {
            socket.write("raise\n");
            socket.waitForBytesWritten(1000);
        }
        return false;
    }
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->listen(serverName_);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            socket->deleteLater();
            if (raise_) raise_();
        }
    });
    return true;
}

}  // namespace qinghe::ui
