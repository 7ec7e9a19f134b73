#include "output/TFrmSecondMonitorOutPut.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "widgets/PreviewPanel.h"

namespace output {

using engine::IMObject;
using engine::IMPreview;
using engine::IMProps;

namespace {
const QString kNoLine;
}

TFrmSecondMonitorOutPut::TFrmSecondMonitorOutPut(OutputWindowContext context, IMObject* source)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), context_(std::move(context)),
      surface_(new widgets::PreviewPanel(this)) {
    setObjectName(QStringLiteral("FrmSecondMonitorOutPut"));
    // The program ends with the main window, also while this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(86, 50);
    surface_->setGeometry(rect());
    // Double-clicks reach the window through its picture.
    surface_->setAttribute(Qt::WA_TransparentForMouseEvents);
    InitObject(source);
}

void TFrmSecondMonitorOutPut::InitObject(IMObject* objetoIN) {
    context_.PreviewSaida = engine::create<IMPreview>(context_.factory, engine::CLSID_PreviewRenderer);
    IMPreview& preview = *context_.PreviewSaida;
    const auto props = engine::query<IMProps>(context_.PreviewSaida);
    props->SetProp(QStringLiteral("deinterlace"), QStringLiteral("top"));
    props->SetProp(QStringLiteral("object::background.direct_out"), QStringLiteral("false"));
    props->SetProp(QStringLiteral("object::sync_mode"), QStringLiteral("true"));
    preview.SetWindow(kNoLine, surface_);
    preview.EnableOutput(kNoLine, 1, 1);
    if (objetoIN)
        engine::query<IMObject>(context_.PreviewSaida)->StartFrom(objetoIN);
    preview.SetFullScreen(kNoLine, 1, context_.IndiceSaidaHdmi);
}

void TFrmSecondMonitorOutPut::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFrmSecondMonitorOutPut::FormShow() {
    if (context_.displays.displays().size() >= 2)
        placeOnDisplay(*this, context_.displays, context_.IndiceSaidaHdmi);
}

void TFrmSecondMonitorOutPut::mouseDoubleClickEvent(QMouseEvent*) {
    close();
}

void TFrmSecondMonitorOutPut::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TFrmSecondMonitorOutPut::FormClose() {
    closeRenderer(context_.PreviewSaida);
    if (context_.closed)
        context_.closed();
}

void closeRenderer(const engine::MRef<IMPreview>& renderer) {
    if (!renderer)
        return;
    // Without exceptions: this runs in close handling and at the end of the program.
    if (engine::IMUnknown* view = renderer->QueryInterface(IMObject::IID))
        engine::MRef<IMObject>::adopt(static_cast<IMObject*>(view))->CloseObject();
}

void placeOnDisplay(QWidget& window, const services::IDisplayList& displays, int index) {
    const std::vector<services::DisplayInfo> list = displays.displays();
    if (index >= 0 && index < int(list.size()))
        window.move(list[size_t(index)].bounds.topLeft());
}

} // namespace output
