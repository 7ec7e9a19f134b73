#pragma once
// The setup dialog: recording root, single-folder mode and the export codec panel. The main window
// builds one for each showing, runs it modally and destroys it afterwards.
#include <QDialog>

#include "engine/EngineFactory.h"
#include "widgets/Services.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class TCodecConfig;

class TFrmSetup : public QDialog {
    Q_OBJECT
  public:
    TFrmSetup(QWidget* owner, engine::IEngineFactory& engine, services::Services services);
    ~TFrmSetup() override;

    QLineEdit* EdStorage;
    QPushButton* BtStorage;
    TCodecConfig* CodecConfig1;
    QCheckBox* ChkUnificaFolder;
    QPushButton* BtSaveCodec;

    void BtStorageClick();
    void BtSaveCodecClick();

    // Closing runs here: the close box and Escape both end in done().
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void FormShow();
    void FormClose();

    services::Services services_;
    bool closed_ = false;
};
