// Shows a capture model's status line in a label, with its colour.
#pragma once

class CaptureWindow;
class QLabel;

void ShowStatus(QLabel* label, const CaptureWindow& model);
