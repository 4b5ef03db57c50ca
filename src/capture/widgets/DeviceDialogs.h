// The encoder's device dialogs as plain Qt dialogs: the formats a capture
// device offers, the device itself, and the compression that will be used.
#pragma once

#include <QString>

#include <string>
#include <vector>

class QWidget;

namespace pellucor {

class FfmpegEncoder;

// Shows lines in a modal list dialog.
void ShowListDialog(QWidget* parent, const QString& title, const std::vector<std::string>& lines);

// Installs the three dialogs into encoder (parent: the window they belong to).
void InstallDeviceDialogs(FfmpegEncoder& encoder, QWidget* parent);

// The lines the compression dialog shows for encoder's current settings;
// empty with err when the settings are incomplete.
std::vector<std::string> CompressionLines(const FfmpegEncoder& encoder, std::string& err);

}  // namespace pellucor
