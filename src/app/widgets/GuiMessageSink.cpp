#include "app/widgets/GuiMessageSink.h"

#include <QApplication>
#include <QMessageBox>

namespace pellucor {

namespace {
const QString kTitle = QStringLiteral("Pellucor");
}

void GuiMessageSink::ShowMessage(const std::string& text)
{
    // What went wrong shows as a warning, not as information.
    if (IsFailureMessage(text))
        QMessageBox::warning(QApplication::activeWindow(), kTitle, QString::fromStdString(text));
    else
        QMessageBox::information(QApplication::activeWindow(), kTitle, QString::fromStdString(text));
}

int GuiMessageSink::AskOkCancel(const std::string& text)
{
    const auto b = QMessageBox::question(QApplication::activeWindow(), kTitle, QString::fromStdString(text),
                                         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    return b == QMessageBox::Ok ? TavOK : TavCancel;
}

int GuiMessageSink::AskYesNoCancel(const std::string& text)
{
    const auto b = QMessageBox::question(QApplication::activeWindow(), kTitle, QString::fromStdString(text),
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    return b == QMessageBox::Yes ? TavYes : b == QMessageBox::No ? TavNo : TavCancel;
}

}  // namespace pellucor
