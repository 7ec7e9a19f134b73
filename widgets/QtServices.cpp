#include "widgets/QtServices.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>

namespace services {

void QtMessageBox::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

bool QtMessageBox::question(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QGuiApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString QtSaveFileDialog::getSaveFileName(QWidget* parent, const SaveFileRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.initialFolder.isEmpty())
        dialog.setDirectory(request.initialFolder);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // "description|*.ext" becomes Qt's "description (*.ext)".
    const QStringList parts = request.filter.split('|');
    dialog.setNameFilter(parts.size() == 2 ? parts[0].trimmed() + " (" + parts[1].trimmed() + ")"
                                           : request.filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

namespace {
// Qt's own folder dialog refuses a typed folder that does not exist; this one hands it back, and the
// caller asks whether to create it.
class FolderDialog : public QFileDialog {
  public:
    FolderDialog(QWidget* parent, const QString& start) : QFileDialog(parent, QString(), start) {
        setFileMode(QFileDialog::Directory);
        setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    }
    void accept() override {
        const QStringList folders = selectedFiles();
        if (folders.size() == 1 && !QFileInfo::exists(folders.first()))
            QDialog::accept();
        else
            QFileDialog::accept();
    }
};
} // namespace

bool QtFolderChooser::chooseFolder(QWidget* parent, const QString& proposal, QString& chosen) {
    FolderDialog dialog(parent, proposal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().first();
    return true;
}

std::vector<DisplayInfo> QtDisplayList::displays() const {
    std::vector<DisplayInfo> list;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens())
        list.push_back(
            {screen->name(), screen->geometry(), int(screen->logicalDotsPerInch() + 0.5), screen == primary});
    return list;
}

QDate QtDates::today() const {
    return QDate::currentDate();
}

// The locale's short format, with the year written in full: a two-digit year read back would land in
// the 1900s.
static QString shortFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains("yyyy"))
        format.replace("yy", "yyyy");
    return format;
}

QString QtDates::toShortText(const QDate& date) const {
    return QLocale().toString(date, shortFormat());
}

QDate QtDates::fromShortText(const QString& text) const {
    return QLocale().toDate(text.trimmed(), shortFormat());
}

} // namespace services
