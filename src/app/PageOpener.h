// Opens a published page in the desktop's browser (xdg-open) and tells
// when that could not be done (no browser, xdg-open missing or failing),
// with the page's path, so the window can offer it to be opened by hand.
#pragma once

#include <QObject>
#include <QString>

namespace pellucor {

class PageOpener : public QObject {
    Q_OBJECT
public:
    explicit PageOpener(QObject* parent = nullptr) : QObject(parent) { }

    // target: a file: URL or a web address.
    void Open(const std::string& target);

    // The page as the user would type it: a local path for a file: URL.
    static QString Shown(const std::string& target);

signals:
    // page: as Shown() gives it; why: what went wrong.
    void notOpened(const QString& page, const QString& why);
};

}  // namespace pellucor
