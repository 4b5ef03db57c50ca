// Small bindings shared by the capture windows' views: the status line with
// its colour, field texts that follow the model without echoing edits back.
#pragma once

#include <QColor>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QString;
class QWidget;

namespace pellucor {

class CaptureWindow;
class EncoderSetup;

void ShowStatus(QLabel* label, const CaptureWindow& model);

// A stored colour value (blue, green, red from the high byte down).
QColor StoredColour(uint32_t value);

// Sets an edit's text when it differs, without raising its edit signals.
void SetFieldText(QLineEdit* edit, const std::string& text);

// Fills a list with items and selects row (none when out of range),
// without raising its selection signals.
void SetListItems(QListWidget* list, const std::vector<std::string>& items, int row);

// Runs chosen with the row the user picks in list.
void OnRowChosen(QListWidget* list, std::function<void(int)> chosen);

// A button that runs action when clicked (never a dialog's default button).
QPushButton* ActionButton(const QString& caption, QWidget* parent, std::function<void()> action);

// Shows the live preview of encoder's capture in label, sized to the
// picture whenever the encoder reports a new size.
void BindPreview(QLabel* label, EncoderSetup& encoder);

// An edit stretched beside its button.
QHBoxLayout* FieldRow(QLineEdit* edit, QPushButton* button);

}  // namespace pellucor
