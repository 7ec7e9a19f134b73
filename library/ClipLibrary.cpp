#include "library/ClipLibrary.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <algorithm>
#include <exception>

#include "library/ClipMasks.h"
#include "library/StoragePaths.h"
#include "settings/RegConfig.h"
#include "settings/StoredFlag.h"
#include "widgets/AutoSizeLabel.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

namespace library {

namespace {

const QString kNoRecordings = QStringLiteral("Não há arquivos do canal gravados na data selecionada!");
const QString kReleaseClip = QStringLiteral("loop=false");

QString channelSetting(int number) {
    return QStringLiteral("canal_name") + QString::number(number);
}

// A stored text, or `fallback` when it is missing or is not a text at all: a damaged value must not
// keep the window from listing.
QString readTextOr(const QString& name, const QString& fallback) {
    try {
        return RegConfig(QStringLiteral("ler"), name, fallback);
    } catch (const std::exception&) {
        return fallback;
    }
}

// Sub-folder names in name order, hidden and system folders included. Name order is what the ingest
// machines' own file systems list, so the channels keep their places from day to day.
QStringList channelFolderNames(const QString& folder) {
    QStringList names;
    QDirIterator it(QDir::fromNativeSeparators(folder),
                    QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        // The System flag that lets hidden system folders through also lets in pipes and dangling links.
        if (it.fileInfo().isDir())
            names << it.fileName();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

} // namespace

ClipLibrary::ClipLibrary(ClipLibraryControls controls, PlayerFields& fields, services::Services services,
                         std::function<void()> play)
    : ui_(controls), fields_(fields), services_(services), play_(std::move(play)) {}

void ClipLibrary::leconfig() {
    const bool singleFolder = readStoredFlag(QStringLiteral("UnificaFolder"),
                                             RegConfig("ler", QStringLiteral("UnificaFolder"), "0"));
    ui_.ComboData->setEnabled(!singleFolder);
    ui_.RGCanal->setEnabled(!singleFolder);
    ui_.RgExtensao->setEnabled(!singleFolder);
    // Loaded in both modes: an export in single-folder mode needs the chosen codecs as much as any other.
    fields_.ParametrosCodec = RegConfig(QStringLiteral("ler"), QStringLiteral("Parametros_Codec"), QString());
    if (singleFolder)
        listSingleFolder();
    else
        listDatedFolders();
}

void ClipLibrary::listSingleFolder() {
    const QString root = storagePath();
    ui_.LblPasta->setText(root);
    ui_.FileList->setDirectory(root);
    ui_.FileList->setMask(kVideoMask);
    ui_.FileList->reread();
}

void ClipLibrary::listDatedFolders() {
    const QDate stored = services_.dates.fromShortText(readTextOr(QStringLiteral("ult_data"), QString()));
    ui_.ComboData->setDate(stored.isValid() ? stored : services_.dates.today());
    for (int i = 0; i < std::min(4, ui_.RGCanal->count()); ++i)
        ui_.RGCanal->setItemText(i, readTextOr(channelSetting(i + 1), QString()));
    ComboDataCloseUp();
}

void ClipLibrary::applyChannelMask() {
    const std::optional<QString> mask = channelMask(ui_.RGCanal->itemIndex());
    if (!mask)
        return;
    try {
        ui_.FileList->setMask(*mask);
    } catch (const widgets::FolderError&) {
        // The folder shown has gone; the listing that follows points the list elsewhere.
    }
}

void ClipLibrary::showNoRecordings() {
    services_.messages.information(ui_.FileList->window(), kNoRecordings);
}

void ClipLibrary::ComboDataCloseUp() {
    ui_.FileList->clear();
    applyChannelMask();
    try {
        const QDate date = ui_.ComboData->date();
        RegConfig(QStringLiteral("escrever"), QStringLiteral("ult_data"), services_.dates.toShortText(date));
        const QString day = dayFolder(storagePath(), date);
        ui_.LblPasta->setText(day);
        ui_.FileList->setDirectory(day);
        ListaCanais(ui_.FileList->directory());
        ui_.FileList->reread();
    } catch (const std::exception&) {
        showNoRecordings();
    }
}

void ClipLibrary::ListaCanais(const QString& dayFolder) {
    const QStringList names = channelFolderNames(dayFolder);
    ui_.RGCanal->setItems(names);
    for (int i = 0; i < names.size(); ++i)
        RegConfig(QStringLiteral("escrever"), channelSetting(i + 1), names[i]);
}

void ClipLibrary::RGCanalClick() {
    ui_.FileList->clear();
    const int position = ui_.RGCanal->itemIndex();
    if (position < 0)
        return;
    applyChannelMask();
    try {
        const QDate date = ui_.ComboData->date();
        const QString channel =
            RegConfig(QStringLiteral("ler"), channelSetting(position + 1), QStringLiteral("InputX"));
        const QString folder = channelFolder(storagePath(), date, channel);
        ui_.LblPasta->setText(folder);
        ui_.FileList->setDirectory(folder);
        ui_.FileList->reread();
    } catch (const std::exception&) {
        showNoRecordings();
    }
}

void ClipLibrary::RgExtensaoClick() {
    switch (ui_.RgExtensao->itemIndex()) {
    case 0:
        if (const std::optional<QString> mask = channelMask(ui_.RGCanal->itemIndex()))
            ui_.FileList->setMask(*mask);
        break;
    case 1:
        ui_.FileList->setMask(kVideoMask);
        break;
    default:
        break;
    }
    ui_.FileList->reread();
}

void ClipLibrary::FileListClick() {
    ui_.PainelArquivo->say(widgets::StatusStrip::Layer::Usual,
                           QStringLiteral(" Arquivo de vídeo selecionado: ") + ui_.FileList->fullName());
    const QListWidgetItem* focused = ui_.FileList->currentItem();
    fields_.arquivo_play = focused ? focused->text() : QString();
    fields_.Cue_In = 0;
    fields_.Cue_Out = 0;
    if (fields_.m_pFile)
        fields_.m_pFile->OpenName(QString(), kReleaseClip);
}

void ClipLibrary::FileListDblClick() {
    play_();
}

void ClipLibrary::BtExcluirClick() {
    const QString folder = ui_.FileList->directory();
    const QString sep = QDir::separator();
    const QString prefix = folder.endsWith(sep) ? folder : folder + sep;
    for (int i = 0; i < ui_.FileList->count(); ++i) {
        const QListWidgetItem* entry = ui_.FileList->item(i);
        // A file that is held open or already gone simply stays out of the deletion.
        if (entry->isSelected())
            QFile::remove(QDir::fromNativeSeparators(prefix + entry->text()));
    }
    ui_.FileList->reread();
}

void ClipLibrary::BtAtualizarClick() {
    ui_.FileList->reread();
}

} // namespace library
