#pragma once
// Scripted stand-ins for the platform services: they record what was asked and answer as preset.
#include <QStringList>
#include <deque>

#include "widgets/Services.h"

namespace testsupport {

struct ScriptedMessageBox : services::IMessageBox {
    QStringList shown;        // every text of an information box
    QStringList questions;    // every question asked
    bool answerYes = true;
    void information(QWidget*, const QString& text) override { shown << text; }
    bool question(QWidget*, const QString& text) override {
        questions << text;
        return answerYes;
    }
};

struct ScriptedSaveDialog : services::ISaveFileDialog {
    std::vector<services::SaveFileRequest> requests;
    QString answer;  // empty: cancelled
    QString getSaveFileName(QWidget*, const services::SaveFileRequest& r) override {
        requests.push_back(r);
        return answer;
    }
};

struct ScriptedFolderChooser : services::IFolderChooser {
    QStringList proposals;
    bool accept = true;
    QString answer;
    bool chooseFolder(QWidget*, const QString& proposal, QString& chosen) override {
        proposals << proposal;
        if (accept) chosen = answer;
        return accept;
    }
};

struct ScriptedDisplayList : services::IDisplayList {
    std::vector<services::DisplayInfo> list{{"main", QRect(0, 0, 1920, 1080), 96, true}};
    std::vector<services::DisplayInfo> displays() const override { return list; }
};

// Dates in dd/MM/yyyy; today is preset.
struct ScriptedDates : services::IDates {
    QDate todayDate{2025, 7, 5};
    QDate today() const override { return todayDate; }
    QString toShortText(const QDate& d) const override { return d.toString("dd/MM/yyyy"); }
    QDate fromShortText(const QString& t) const override { return QDate::fromString(t.trimmed(), "dd/MM/yyyy"); }
};

struct ScriptedServices {
    ScriptedMessageBox messages;
    ScriptedSaveDialog saveDialog;
    ScriptedFolderChooser folderChooser;
    ScriptedDisplayList displays;
    ScriptedDates dates;
    services::Services view() { return {messages, saveDialog, folderChooser, displays, dates}; }
};

}  // namespace testsupport
