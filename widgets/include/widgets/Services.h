#pragma once
// What the handlers ask of the platform beyond their own controls: modal boxes, dialogs, the display
// list and dates. The program passes the Qt implementations (QtServices.h); tests pass scripted ones.
#include <QDate>
#include <QRect>
#include <QString>
#include <vector>

class QWidget;

namespace services {

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // A modal box with the text and one OK button.
    virtual void information(QWidget* parent, const QString& text) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
};

struct SaveFileRequest {
    QString initialFolder;  // empty: the dialog chooses its own starting folder
    QString defaultSuffix;  // with or without its leading dot
    QString filter;         // "description|*.ext"
};

class ISaveFileDialog {
public:
    virtual ~ISaveFileDialog() = default;
    // The chosen file name, or an empty text when cancelled. Never asks to confirm an overwrite.
    virtual QString getSaveFileName(QWidget* parent, const SaveFileRequest& request) = 0;
};

class IFolderChooser {
public:
    virtual ~IFolderChooser() = default;
    // Lets the operator pick a folder starting at `proposal`; false when cancelled. A folder the operator
    // typed may not exist yet: creating it is the caller's decision.
    virtual bool chooseFolder(QWidget* parent, const QString& proposal, QString& chosen) = 0;
};

struct DisplayInfo {
    QString name;
    QRect bounds;  // position and size in the virtual desktop
    int pixelsPerInch = 96;
    bool primary = false;
};

class IDisplayList {
public:
    virtual ~IDisplayList() = default;
    // Every display in the platform's order.
    virtual std::vector<DisplayInfo> displays() const = 0;
};

class IDates {
public:
    virtual ~IDates() = default;
    virtual QDate today() const = 0;
    // The user's short date format.
    virtual QString toShortText(const QDate& date) const = 0;
    // Invalid QDate when the text does not parse.
    virtual QDate fromShortText(const QString& text) const = 0;
};

// The set the main window hands to its parts.
struct Services {
    IMessageBox& messages;
    ISaveFileDialog& saveDialog;
    IFolderChooser& folderChooser;
    IDisplayList& displays;
    IDates& dates;
};

}  // namespace services
