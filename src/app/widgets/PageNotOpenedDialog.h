// Says that a page could not be opened in a browser and offers its path to
// be copied and opened by hand.
#pragma once

#include <QDialog>

namespace pellucor {

class PageNotOpenedDialog : public QDialog {
    Q_OBJECT
public:
    PageNotOpenedDialog(const QString& page, const QString& why, QWidget* parent = nullptr);

    // Shows one, not modal, deleted when closed.
    static void Show(const QString& page, const QString& why);
};

}  // namespace pellucor
