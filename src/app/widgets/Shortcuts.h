// The keys the main window and the detailed form share for the same work.
#pragma once

#include <QKeySequence>

namespace pellucor {

// Publish to disk.
inline const QKeySequence kPublishKey(Qt::CTRL | Qt::Key_P);
// Preferences (the desktops' usual key where the platform names none).
inline QKeySequence PreferencesKey()
{
    const QKeySequence platform(QKeySequence::Preferences);
    return platform.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Comma) : platform;
}

}  // namespace pellucor
