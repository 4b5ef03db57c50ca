#include "capture/CaptureWindow.h"

#include <QCoreApplication>

namespace pellucor {

void CaptureWindow::SetStatus(const std::string& text, uint32_t colour)
{
    status_ = text;
    statusColour_ = colour;
    emit changed();
}

void CaptureWindow::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

}  // namespace pellucor

#include "moc_CaptureWindow.cpp"
