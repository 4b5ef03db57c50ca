#include "editing/widgets/FieldBinding.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace pellucor {

void SetFieldText(QLineEdit* edit, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    if (edit->text() != t) {
        const QSignalBlocker block(edit);
        edit->setText(t);
    }
}

void SetListItems(QListWidget* list, const std::vector<std::string>& items, int row)
{
    const QSignalBlocker block(list);
    QStringList texts;
    for (const auto& i : items)
        texts << QString::fromStdString(i);
    bool same = list->count() == texts.size();
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == texts[i];
    if (!same) {
        list->clear();
        list->addItems(texts);
    }
    list->setCurrentRow(row >= 0 && row < list->count() ? row : -1);
}

void OnRowChosen(QListWidget* list, std::function<void(int)> chosen)
{
    QObject::connect(list, &QListWidget::currentRowChanged, list, [chosen = std::move(chosen)](int row) {
        if (row >= 0)
            chosen(row);
    });
}

QPushButton* ActionButton(const QString& caption, QWidget* parent, std::function<void()> action)
{
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, std::move(action));
    return b;
}

QHBoxLayout* FieldRow(QLineEdit* edit, QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

}  // namespace pellucor
