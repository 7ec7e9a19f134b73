#pragma once
// The export codec panel: lists the file writer's formats and codecs, sets bit rates and attributes,
// shows the resulting parameter text and saves the export settings on its own "Salvar".
#include <QFrame>

#include "engine/EngineFactory.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class UpDownEdit;

namespace services {
class IMessageBox;
}

class TCodecConfig : public QFrame {
    Q_OBJECT
  public:
    TCodecConfig(QWidget* parent, engine::IEngineFactory& engine, services::IMessageBox& messages);
    ~TCodecConfig() override;

    // Creates the panel's writer, lists its formats and restores the saved selection.
    void Init();
    void inicia_controles();
    // Closes and releases the panel's writer.
    void destroir_filtros();

    void formatsChange();
    void videocodecChange();
    void audiocodecChange();
    void EdVideoBitRateChange();
    void EdAudioBitRateChange();
    void BTFormatPropsClick();
    void BTVideoCodecPropsClick();
    void BtAudioCodecPropsClick();
    void BtSaveCodecClick();

    QFrame* PanelCodec;
    QComboBox* formats;
    QPushButton* BTFormatProps;
    QComboBox* videocodec;
    QPushButton* BTVideoCodecProps;
    QComboBox* audiocodec;
    QPushButton* BtAudioCodecProps;
    QLineEdit* EdParCodec;
    QGroupBox* GroupBox4;
    UpDownEdit* EdVideoBitRate;
    UpDownEdit* EdAudioBitRate;
    QComboBox* ComboExt;
    QPushButton* BtSaveCodec;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildControls();
    void fillChoices(QComboBox* list, const QString& option);
    bool hasSelection(const QComboBox* list) const;
    // Makes the listed codec current, sets its bit rate and shows the new parameter text.
    void setCodecBitRate(QComboBox* list, const QString& option, const QString& bitRate);
    void showParamText();
    void showProps(const QString& option);
    QString exportSettingsProblem();

    engine::IEngineFactory& engine_;
    services::IMessageBox& messages_;
    engine::MRef<engine::IMWriter> myWriter;
    engine::MRef<engine::IMConfig> myConfig;
    QString audiobitrate;
    QString videobitrate;
    QString codec_config;
};
