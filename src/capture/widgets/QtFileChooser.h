// File dialogs of the capture windows on Qt's standard file dialog.
#pragma once

#include <QString>

#include "core/FileChooser.h"

class QWidget;

namespace pellucor {

class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) { }
    std::string OpenFileName(const std::string& startDir, const std::string& filter) override;
    std::string SaveFileName(const std::string& startDir, const std::string& filter) override;

    // "Text (*.txt)|*.txt|All Files|*.*" -> "Text (*.txt);;All Files (*.*)".
    static QString QtFilter(const std::string& filter);

private:
    QWidget* parent_;
};

}  // namespace pellucor
