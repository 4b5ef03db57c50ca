// Bindings of the capture windows' views: the status line with its colour,
// the live preview; the field bindings they share with the editors beside.
#pragma once

#include <QColor>

#include <cstdint>

#include "editing/widgets/FieldBinding.h"

class QLabel;

namespace pellucor {

class CaptureWindow;
class EncoderSetup;

void ShowStatus(QLabel* label, const CaptureWindow& model);

// A stored colour value (blue, green, red from the high byte down).
QColor StoredColour(uint32_t value);

// Shows the live preview of encoder's capture in label, sized to the
// picture whenever the encoder reports a new size.
void BindPreview(QLabel* label, EncoderSetup& encoder);

}  // namespace pellucor
