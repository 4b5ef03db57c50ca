#include "app/widgets/PageNotOpenedDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellucor {

PageNotOpenedDialog::PageNotOpenedDialog(const QString& page, const QString& why, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Pellucor"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(why + ".\n" + tr("Open this page in your browser:"));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* path = new QLineEdit(page);
    path->setObjectName("pagePath");
    path->setReadOnly(true);
    path->setCursorPosition(0);
    path->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    layout->addWidget(path);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* copy = buttons->addButton(tr("Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName("cmdCopy");
    connect(copy, &QPushButton::clicked, this, [page, copy] {
        QGuiApplication::clipboard()->setText(page);
        copy->setText(tr("Copied"));
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    copy->setFocus();
}

void PageNotOpenedDialog::Show(const QString& page, const QString& why)
{
    auto* dialog = new PageNotOpenedDialog(page, why, QApplication::activeWindow());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

}  // namespace pellucor

#include "moc_PageNotOpenedDialog.cpp"
