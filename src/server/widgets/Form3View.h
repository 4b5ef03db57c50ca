// The server edition window: binds its fields and buttons to Form3.
#pragma once

#include <QWidget>

#include <map>
#include <string>

class Form3;
class QCheckBox;
class QLabel;
class QLineEdit;

class Form3View : public QWidget {
    Q_OBJECT
public:
    explicit Form3View(Form3* model, QWidget* parent = nullptr);

signals:
    void preferencesRequested();

protected:
    void closeEvent(class QCloseEvent* event) override;

private:
    void refresh();
    void pull();  // view fields -> model settings
    QLineEdit* addSetting(class QFormLayout* form, const QString& label, std::string Form3::*field, bool browse);

    Form3* model_;
    std::map<QLineEdit*, std::string Form3::*> settings_;
    std::map<QLabel*, std::string Form3::*> labels_;
    QCheckBox* chkAuto_ = nullptr;
};
