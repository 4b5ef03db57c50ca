// The About box: product name, version and credits; Help and the text
// labels open the product's web pages, End closes it.
#pragma once

#include <QDialog>

namespace pellucor {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace pellucor
