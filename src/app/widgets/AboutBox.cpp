#include "app/widgets/AboutBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "core/TavUtils.h"

namespace pellucor {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Pellucor"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QString("<h2><a href=\"%1\">Pellucor 2000</a></h2>").arg(MainWindow::kHomePage));
    auto* version = new QLabel(tr("Version %1").arg(QStringLiteral("2.0")));
    auto* credits = new QLabel(tr("Lectures with slides that change in step with the recording.<br>"
                                  "Built with Qt, FFmpeg, libcurl and LibreOffice."));
    for (QLabel* l : {name, version, credits}) {
        l->setTextInteractionFlags(Qt::TextBrowserInteraction);
        connect(l, &QLabel::linkActivated, this, [](const QString& url) { Tav_ShellOpen(url.toStdString()); });
        layout->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    auto* help = new QPushButton(tr("Help"));
    auto* end = new QPushButton(tr("End"));
    row->addStretch(1);
    row->addWidget(help);
    row->addWidget(end);
    layout->addLayout(row);
    connect(help, &QPushButton::clicked, this, [] { Tav_ShellOpen(MainWindow::kHelpPage); });
    connect(end, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace pellucor

#include "moc_AboutBox.cpp"
