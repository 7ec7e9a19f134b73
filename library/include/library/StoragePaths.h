#pragma once
// Where the recordings lie: the recording root from the settings and the day and channel folders under
// it, written with the platform's separator.
#include <QDate>
#include <QString>

namespace library {

// The root used when "storage" is not set: the folder Ingest in the user's home.
QString defaultStorageRoot();

// The stored root with one trailing separator: a single trailing separator is dropped, then one is added.
QString normalisedStorage(const QString& stored);

// "storage" read afresh from the settings and normalised.
QString storagePath();

// root + yyyy + sep + mm + sep + dd + sep.
QString dayFolder(const QString& storage, const QDate& date);

// The day folder + channel + sep. Throws std::runtime_error for a name that would leave the day folder
// (empty, "." or "..", or holding a separator).
QString channelFolder(const QString& storage, const QDate& date, const QString& channel);

} // namespace library
