// Common ground of the capture windows' models: a status line with its
// colour, a change signal the views redraw on, and a request to close.
#pragma once

#include <QObject>

#include <cstdint>
#include <string>

#include "core/StatusColours.h"

namespace pellucor {

// The status line's own background (no colour set).
inline constexpr uint32_t kColourNormal = 0xFFFFFFFFu;

class CaptureWindow : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const std::string& Status() const { return status_; }
    uint32_t StatusColour() const { return statusColour_; }
    void SetStatus(const std::string& text, uint32_t colour = kColourNormal);

signals:
    void changed();
    void closeRequested();

protected:
    // Lets the window show a status text before a long call.
    static void processEvents();

private:
    std::string status_;
    uint32_t statusColour_ = kColourNormal;
};

}  // namespace pellucor
