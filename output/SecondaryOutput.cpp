#include "output/SecondaryOutput.h"

#include <QComboBox>

#include "settings/RegConfig.h"

namespace output {

namespace {

// "Saída 2: 1920x1080  96 ppi monitor secundário - (DISPONÍVEL)"
QString displayLine(int position, const services::DisplayInfo& display) {
    return QStringLiteral("Saída %1: %2x%3 %4 ppi %5")
        .arg(position + 1)
        .arg(display.bounds.width())
        .arg(display.bounds.height())
        .arg(display.pixelsPerInch, 3)
        .arg(display.primary ? QStringLiteral("monitor principal - (INDISPONÍVEL)")
                             : QStringLiteral("monitor secundário - (DISPONÍVEL)"));
}

} // namespace

SecondaryOutput::SecondaryOutput(SecondaryOutputControls controls, PlayerFields& fields,
                                 engine::IEngineFactory& factory, services::Services services)
    : ui_(controls), fields_(fields), factory_(factory), services_(services) {}

SecondaryOutput::~SecondaryOutput() {
    // The end of the program: the renderer is closed first, as its thread draws on the window's surface
    // until then; the window then goes without its close handling.
    closeRenderer(previewSaida_);
    delete window_.data();
}

bool SecondaryOutput::severalDisplays() const {
    return services_.displays.displays().size() > 1;
}

void SecondaryOutput::ListaMonitores() {
    ui_.ComboMonitor->clear();
    const std::vector<services::DisplayInfo> displays = services_.displays.displays();
    for (size_t i = 0; i < displays.size(); ++i)
        ui_.ComboMonitor->addItem(displayLine(int(i), displays[i]));
}

void SecondaryOutput::ComboMonitorChange() {
    const int selected = ui_.ComboMonitor->currentIndex();
    if (selected > 0 && severalDisplays()) {
        indiceSaidaHdmi_ = selected;
        if (!window_)
            createWindow();
        window_->show();
        placeOnDisplay(*window_, services_.displays, indiceSaidaHdmi_);
    } else if (window_) {
        closeWindow();
    }
    RegConfig("escrever", "hdmi_out_index", QString::number(selected));
}

void SecondaryOutput::RestauraSaidaHdmi() {
    bool isNumber = false;
    indiceSaidaHdmi_ = RegConfig("ler", "hdmi_out_index", "0").toInt(&isNumber);
    if (!isNumber)
        indiceSaidaHdmi_ = 0;
    if (indiceSaidaHdmi_ > 0 && severalDisplays()) {
        // Created hidden: the renderer goes full screen while the window waits to be shown.
        if (!window_)
            createWindow();
    } else if (window_) {
        closeWindow();
    }
    ListaMonitores();
    ui_.ComboMonitor->setCurrentIndex(indiceSaidaHdmi_);
}

void SecondaryOutput::createWindow() {
    // However it closes, the window is no longer the output from that moment (it deletes itself later).
    window_ = new TFrmSecondMonitorOutPut(
        {factory_, previewSaida_, indiceSaidaHdmi_, services_.displays, [this] { window_.clear(); }},
        fields_.m_FileObj.get());
}

void SecondaryOutput::closeWindow() {
    window_->close();
}

} // namespace output
