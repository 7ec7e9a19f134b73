#include "TFrm_Player.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "FloatingPoint.h"
#include "OpenFailureNotice.h"
#include "Scaling.h"
#include "SetupDialog.h"
#include "WindowShortcuts.h"
#include "engine/ClassIds.h"
#include "widgets/BitmapButton.h"
#include "widgets/CheckBox.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/PositionBar.h"
#include "widgets/PreviewPanel.h"
#include "widgets/RadioGroup.h"

using namespace engine;

namespace {
const QString kNoLine; // the engine's default output line
}

TFrm_Player::TFrm_Player(IEngineFactory& factory, services::Services services, QWidget* parent)
    : QWidget(parent, Qt::Window), factory_(factory), services_(services), errors_(this, services.messages),
      ui_(buildPlayerLayout(this)),
      transport_({ui_.FileList, ui_.RGSpeedPlay, ui_.TBPlay, ui_.checkBoxAudio}, fields_),
      audio_({ui_.RgAudioSelect, ui_.CHk, ui_.checkBoxAudio, ui_.CHKVU, ui_.ChKCC}, fields_, factory),
      cuePoints_({ui_.Lblcue_in, ui_.Lblcue_out, ui_.LblParcial, ui_.BtExportar}, fields_, services),
      exportJob_({this, ui_.RGSpeedPlay, ui_.BtExportar, ui_.FileList, ui_.PainelArquivo}, fields_, factory,
                 services),
      positionDisplay_({ui_.TBPlay, ui_.TempoAtual, ui_.LblDuracao}, fields_, services,
                       [this](int state) {
                           exportJob_.checkCompletion(state);
                           showOpenFailure(*fields_.m_pFile, state, *ui_.PainelArquivo);
                       }),
      library_({ui_.ComboData, ui_.RGCanal, ui_.RgExtensao, ui_.LblPasta, ui_.FileList, ui_.PainelArquivo},
               fields_, services, [this] { play(); }),
      secondaryOutput_({ui_.ComboMonitor}, fields_, factory, services) {
    setObjectName(QStringLiteral("Frm_Player"));
    setWindowTitle(QStringLiteral("Player"));
    setStyleSheet(QStringLiteral("#Frm_Player { background-color: rgb(36,41,48); }"));
    bindControls();
    bindActions();
    keepWindowShortcuts(this);
    errors_.run([this] { FormCreate(); });
    ui_.TimerPlay->start();
}

TFrm_Player::~TFrm_Player() {
    ui_.TimerPlay->stop();
    // The renderer must stop drawing into the preview panel before the panel goes away.
    if (!engineClosed_)
        errors_.run([this] { destroir(); });
}

void TFrm_Player::FormCreate() {
    const QSize oldClient = kDesignedClientSize;
    rememberDesignedLayout(this);
    const QRect display = QGuiApplication::primaryScreen()->geometry();
    move(display.topLeft());
    setFixedSize(display.size());
    scaleWindowLayout(this, size(), oldClient);
    maskFloatingPointExceptions();
    setUpEngine();
}

// The frame a window manager adds is known only once the window is shown: then the outer frame gets the
// display and the layout is scaled anew, from its designed bounds, to the client area inside the frame.
void TFrm_Player::fitFrameToDisplay() {
    const QRect outer = frameGeometry(), inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame == fittedFrame_)
        return;
    fittedFrame_ = frame;
    const QRect display = QGuiApplication::primaryScreen()->geometry();
    const QSize client = display.size().shrunkBy(frame);
    setFixedSize(client);
    move(display.topLeft());
    scaleDesignedLayout(this, client, kDesignedClientSize);
}

void TFrm_Player::setUpEngine() {
    fields_.m_pFile = engine::create<IMFile>(factory_, CLSID_FileSource);
    fields_.m_FileObj = query<IMObject>(fields_.m_pFile);
    fields_.m_pPreviewPlay = engine::create<IMPreview>(factory_, CLSID_PreviewRenderer);
    IMPreview& preview = *fields_.m_pPreviewPlay;
    preview.SetWindow(kNoLine, ui_.panelPreviewPlay);
    preview.EnableOutput(kNoLine, 0, 1);
    query<IMObject>(fields_.m_pPreviewPlay)->StartFrom(fields_.m_FileObj.get());
    const MRef<IMProps> previewProps = query<IMProps>(fields_.m_pPreviewPlay);
    previewProps->SetProp(QStringLiteral("maintain_ar"), QStringLiteral("letter-box"));
    previewProps->SetProp(QStringLiteral("deinterlace"), QStringLiteral("1"));
    fields_.m_pFile->OpenName(QStringLiteral("ColorBars-HD"), QStringLiteral("loop=false"));
    fields_.m_pFile->PauseFile(0.0);
    query<IMProps>(fields_.m_pFile)->SetProp(QStringLiteral("loop"), QStringLiteral("false"));
    previewProps->SetProp(QStringLiteral("active_frc"), QStringLiteral("false"));
    previewProps->SetProp(QStringLiteral("preview.drop_frames"), QStringLiteral("true"));
}

void TFrm_Player::FormShow() {
    setWindowTitle(QStringLiteral("VELTRA-PLAYER-2025 ") + QStringLiteral("    - release ") +
                   QStringLiteral("20.25.07.12"));
    secondaryOutput_.RestauraSaidaHdmi();
    runLeconfig();
}

void TFrm_Player::runLeconfig() {
    library_.leconfig();
    emit configurationLoaded();
}

void TFrm_Player::FormClose() {
    // Closing the window gives up the exports under way: no half-written file is left behind.
    exportJob_.abandonAll();
    destroir();
}

void TFrm_Player::destroir() {
    engineClosed_ = true;
    // The file source is closed twice: through its object view, then through its file interface.
    if (fields_.m_FileObj)
        fields_.m_FileObj->CloseObject();
    if (fields_.m_pPreviewPlay)
        query<IMObject>(fields_.m_pPreviewPlay)->CloseObject();
    if (fields_.m_pFile)
        query<IMObject>(fields_.m_pFile)->CloseObject();
    if (fields_.myWriter_Export)
        query<IMObject>(fields_.myWriter_Export)->CloseObject();
}

void TFrm_Player::play() {
    forgetOpenFailure(*ui_.PainelArquivo);
    transport_.BtPlayClick();
}

void TFrm_Player::BtSetupClick() {
    {
        const std::unique_ptr<QDialog> dialog = makeSetupDialog(this, factory_, services_);
        setupDialog_ = dialog.get();
        dialog->exec();
    }
    runLeconfig();
}

void TFrm_Player::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    errors_.run([this] { FormShow(); });
}

void TFrm_Player::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible())
        fitFrameToDisplay();
}

void TFrm_Player::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible())
        fitFrameToDisplay();
}

void TFrm_Player::closeEvent(QCloseEvent* event) {
    errors_.run([this] { FormClose(); });
    event->accept();
    emit closed();
}

void TFrm_Player::bindControls() {
    auto& e = errors_;
    auto& lib = library_;
    connect(ui_.ComboData, &widgets::DatePicker::closeUp, this,
            e.guarded([&lib] { lib.ComboDataCloseUp(); }));
    connect(ui_.RGCanal, &widgets::RadioGroup::clicked, this, e.guarded([&lib] { lib.RGCanalClick(); }));
    connect(ui_.RgExtensao, &widgets::RadioGroup::clicked, this,
            e.guarded([&lib] { lib.RgExtensaoClick(); }));
    connect(ui_.FileList, &widgets::ClipList::clickAction, this, e.guarded([&lib] { lib.FileListClick(); }));
    connect(ui_.FileList, &widgets::ClipList::doubleClickAction, this,
            e.guarded([&lib] { lib.FileListDblClick(); }));
    connect(ui_.BtAtualizar, &QPushButton::clicked, this, e.guarded([&lib] { lib.BtAtualizarClick(); }));
    connect(ui_.BtExcluir, &QPushButton::clicked, this, e.guarded([&lib] { lib.BtExcluirClick(); }));
    connect(ui_.BtSetup, &QPushButton::clicked, this, e.guarded([this] { BtSetupClick(); }));

    auto& out = secondaryOutput_;
    connect(ui_.ComboMonitor, &QComboBox::activated, this, e.guarded([&out] { out.ComboMonitorChange(); }));

    auto& audio = audio_;
    connect(ui_.RgAudioSelect, &widgets::RadioGroup::clicked, this,
            e.guarded([&audio] { audio.RgAudioSelectClick(); }));
    for (widgets::CheckBox* box : ui_.CHk)
        connect(box, &widgets::CheckBox::clickAction, this, e.guarded([&audio] { audio.CHk1Click(); }));
    connect(ui_.checkBoxAudio, &widgets::CheckBox::clickAction, this,
            e.guarded([&audio] { audio.checkBoxAudioClick(); }));
    connect(ui_.CHKVU, &widgets::CheckBox::clickAction, this, e.guarded([&audio] { audio.CHKVUClick(); }));
    connect(ui_.ChKCC, &widgets::CheckBox::clickAction, this, e.guarded([&audio] { audio.ChKCCClick(); }));

    auto& tr = transport_;
    connect(ui_.RGSpeedPlay, &widgets::RadioGroup::clicked, this,
            e.guarded([&tr] { tr.RGSpeedPlayClick(); }));
    connect(ui_.BtPlay, &QAbstractButton::clicked, this, e.guarded([this] { play(); }));
    connect(ui_.BtPausa, &QAbstractButton::clicked, this, e.guarded([&tr] { tr.BtPausaClick(); }));
    connect(ui_.BtStop, &QAbstractButton::clicked, this, e.guarded([&tr] { tr.BtStopClick(); }));
    connect(ui_.TBPlay, &widgets::PositionBar::changed, this, e.guarded([&tr] { tr.TBPlayChange(); }));
    connect(ui_.TBPlay, &widgets::PositionBar::mouseDown, this, e.guarded([&tr] { tr.TBPlayMouseDown(); }));
    connect(ui_.TBPlay, &widgets::PositionBar::mouseUp, this, e.guarded([&tr] { tr.TBPlayMouseUp(); }));
    connect(ui_.TBPlay, &widgets::PositionBar::clicked, this, e.guarded([&audio] { audio.CHk1Click(); }));

    auto& cue = cuePoints_;
    connect(ui_.BtCueIn, &QAbstractButton::clicked, this, e.guarded([&cue] { cue.BtCueInClick(); }));
    connect(ui_.btCueOut, &QAbstractButton::clicked, this, e.guarded([&cue] { cue.btCueOutClick(); }));
    connect(ui_.BTGoIn, &QAbstractButton::clicked, this, e.guarded([&cue] { cue.BTGoInClick(); }));
    connect(ui_.BtGoOut, &QAbstractButton::clicked, this, e.guarded([&cue] { cue.BtGoOutClick(); }));
    auto& job = exportJob_;
    connect(ui_.BtExportar, &QAbstractButton::clicked, this, e.guarded([&job] { job.BtExportarClick(); }));

    auto& display = positionDisplay_;
    connect(ui_.TimerPlay, &QTimer::timeout, this, e.guarded([&display] { display.TimerPlayTimer(); }));
}

void TFrm_Player::bindActions() {
    auto& e = errors_;
    auto& tr = transport_;
    auto& cue = cuePoints_;
    connect(ui_.Forward, &QAction::triggered, this, e.guarded([&tr] { tr.ForwardExecute(); }));
    connect(ui_.Rewind, &QAction::triggered, this, e.guarded([&tr] { tr.RewindExecute(); }));
    connect(ui_.GoEnd, &QAction::triggered, this, e.guarded([&tr] { tr.GoEndExecute(); }));
    connect(ui_.GoStart, &QAction::triggered, this, e.guarded([&tr] { tr.GoStartExecute(); }));
    connect(ui_.CueIN, &QAction::triggered, this, e.guarded([&cue] { cue.CueINExecute(); }));
    connect(ui_.CueOut, &QAction::triggered, this, e.guarded([&cue] { cue.CueOutExecute(); }));
    connect(ui_.Pause, &QAction::triggered, this, e.guarded([&tr] { tr.PauseExecute(); }));
    connect(ui_.FFW, &QAction::triggered, this, e.guarded([&tr] { tr.FFWExecute(); }));
    connect(ui_.REW, &QAction::triggered, this, e.guarded([&tr] { tr.REWExecute(); }));
}
