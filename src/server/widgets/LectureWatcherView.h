// The server edition window: binds its fields and buttons to LectureWatcher.
#pragma once

#include <QWidget>

#include <map>
#include <string>

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace pellucor {

class LectureWatcher;

class LectureWatcherView : public QWidget {
    Q_OBJECT
public:
    explicit LectureWatcherView(LectureWatcher* model, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void pull();  // view fields -> model settings
    QLineEdit* addSetting(QFormLayout* form, const QString& label, std::string LectureWatcher::*field,
                          const char* browseField);

    LectureWatcher* model_;
    std::map<QLineEdit*, std::string LectureWatcher::*> settings_;
    std::map<QLabel*, std::string LectureWatcher::*> labels_;
    QCheckBox* chkAuto_ = nullptr;
};

}  // namespace pellucor
