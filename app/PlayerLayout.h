#pragma once
// Every control of the main window at its designed place (a client area of 1106 x 644), with its
// object name, text, fonts and colours. Handlers are bound elsewhere.
#include <QSize>
#include <array>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

namespace widgets {
class AutoSizeLabel;
class BitmapButton;
class CheckBox;
class ClipList;
class DatePicker;
class PositionBar;
class PreviewPanel;
class RadioGroup;
class StatusStrip;
} // namespace widgets

inline constexpr QSize kDesignedClientSize{1106, 644};

struct PlayerControls {
    // Directly on the window.
    QLabel* Label1;
    widgets::DatePicker* ComboData;
    widgets::RadioGroup* RGCanal;
    widgets::RadioGroup* RgExtensao;
    QLabel* Label7;
    QComboBox* ComboMonitor;
    QLabel* Label4;
    widgets::AutoSizeLabel* LblPasta;
    QLabel* Label2;
    widgets::ClipList* FileList;
    QFrame* PanelAudioSelect;
    QPushButton* BtSetup;
    QPushButton* BtAtualizar;
    QPushButton* BtExcluir;
    QFrame* PanelCtl;
    widgets::StatusStrip* PainelArquivo;
    // In PanelAudioSelect.
    widgets::RadioGroup* RgAudioSelect;
    std::array<widgets::CheckBox*, 16> CHk; // CHk1 .. CHk16
    // In PanelCtl.
    widgets::PreviewPanel* panelPreviewPlay;
    widgets::PositionBar* TBPlay;
    QGroupBox* GBPlay;
    widgets::CheckBox* ChKCC;
    QFrame* PanelContadores;
    // In GBPlay.
    widgets::CheckBox* checkBoxAudio;
    widgets::CheckBox* CHKVU;
    widgets::RadioGroup* RGSpeedPlay;
    widgets::BitmapButton* BTGoIn;
    widgets::BitmapButton* BtCueIn;
    widgets::BitmapButton* BtPlay;
    widgets::BitmapButton* BtPausa;
    widgets::BitmapButton* BtStop;
    widgets::BitmapButton* btCueOut;
    widgets::BitmapButton* BtExportar;
    widgets::BitmapButton* BtGoOut;
    // In PanelContadores.
    QLabel* Label32;
    QLabel* Label31;
    QLabel* Label33;
    QLabel* Label3;
    QLabel* Label34;
    QLabel* TempoAtual;
    QLabel* Lblcue_in;
    QLabel* Lblcue_out;
    QLabel* LblParcial;
    QLabel* LblDuracao;
    // Not visual.
    QTimer* TimerPlay;
    QAction* Forward;
    QAction* Rewind;
    QAction* GoEnd;
    QAction* GoStart;
    QAction* CueIN;
    QAction* CueOut;
    QAction* Pause;
    QAction* FFW;
    QAction* REW;
};

// Builds the controls on `window`, whose client area is taken to be the designed size.
PlayerControls buildPlayerLayout(QWidget* window);
