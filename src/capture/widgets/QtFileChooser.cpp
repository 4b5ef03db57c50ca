#include "capture/widgets/QtFileChooser.h"

#include <QFileDialog>
#include <QStringList>

namespace pellucor {

QString QtFileChooser::QtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(';', ' ');
        out << (name.contains('(') ? name : name + " (" + pattern + ")");
    }
    return out.join(";;");
}

std::string QtFileChooser::OpenFileName(const std::string& startDir, const std::string& filter)
{
    return QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(startDir), QtFilter(filter))
        .toStdString();
}

std::string QtFileChooser::SaveFileName(const std::string& startDir, const std::string& filter)
{
    return QFileDialog::getSaveFileName(parent_, QString(), QString::fromStdString(startDir), QtFilter(filter))
        .toStdString();
}

}  // namespace pellucor
