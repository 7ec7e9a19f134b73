#pragma once
// The platform's own dialogs, screens and locale behind the service interfaces.
#include "widgets/Services.h"

namespace services {

class QtMessageBox : public IMessageBox {
public:
    void information(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
};

class QtSaveFileDialog : public ISaveFileDialog {
public:
    QString getSaveFileName(QWidget* parent, const SaveFileRequest& request) override;
};

class QtFolderChooser : public IFolderChooser {
public:
    bool chooseFolder(QWidget* parent, const QString& proposal, QString& chosen) override;
};

class QtDisplayList : public IDisplayList {
public:
    std::vector<DisplayInfo> displays() const override;
};

class QtDates : public IDates {
public:
    QDate today() const override;
    QString toShortText(const QDate& date) const override;
    QDate fromShortText(const QString& text) const override;
};

// One of each, owned together.
struct QtServices {
    QtMessageBox messages;
    QtSaveFileDialog saveDialog;
    QtFolderChooser folderChooser;
    QtDisplayList displays;
    QtDates dates;
    Services view() { return {messages, saveDialog, folderChooser, displays, dates}; }
};

}  // namespace services
