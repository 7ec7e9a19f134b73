#include "library/StoragePaths.h"

#include <QDir>
#include <stdexcept>

#include "settings/RegConfig.h"

namespace library {

namespace {

QString separator() {
    return QString(QDir::separator());
}

bool isSafeFolderName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QDir::separator());
}

} // namespace

QString defaultStorageRoot() {
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\Ingest");
#else
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/Ingest"));
#endif
}

QString normalisedStorage(const QString& stored) {
    QString root = QDir::toNativeSeparators(stored);
    if (root.endsWith(separator()))
        root.chop(1);
    return root + separator();
}

QString storagePath() {
    return normalisedStorage(
        RegConfig(QStringLiteral("ler"), QStringLiteral("storage"), defaultStorageRoot()));
}

QString dayFolder(const QString& storage, const QDate& date) {
    const QString sep = separator();
    return storage + QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + sep +
           QString::number(date.month()).rightJustified(2, QLatin1Char('0')) + sep +
           QString::number(date.day()).rightJustified(2, QLatin1Char('0')) + sep;
}

QString channelFolder(const QString& storage, const QDate& date, const QString& channel) {
    if (!isSafeFolderName(channel))
        throw std::runtime_error(QStringLiteral("Nome de canal inválido: \"%1\"").arg(channel).toStdString());
    return dayFolder(storage, date) + channel + separator();
}

} // namespace library
