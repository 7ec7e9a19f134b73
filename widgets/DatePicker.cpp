#include "widgets/DatePicker.h"

#include <QCalendarWidget>
#include <QEvent>

namespace widgets {

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    // The calendar lives inside its own popup window; its hiding is the close-up.
    popup_ = calendarWidget()->window();
    popup_->installEventFilter(this);
}

bool DatePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == popup_ && event->type() == QEvent::Hide)
        emit closeUp();
    return QDateEdit::eventFilter(watched, event);
}

} // namespace widgets
