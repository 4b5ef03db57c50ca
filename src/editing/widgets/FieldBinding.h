// Small bindings shared by the editors' and the recording windows' views:
// field texts and lists that follow the model without echoing edits back,
// buttons that never become a dialog's default.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QString;
class QWidget;

namespace pellucor {

// Sets an edit's text when it differs, without raising its edit signals.
void SetFieldText(QLineEdit* edit, const std::string& text);

// Fills a list with items and selects row (none when out of range),
// without raising its selection signals.
void SetListItems(QListWidget* list, const std::vector<std::string>& items, int row);

// Runs chosen with the row the user picks in list.
void OnRowChosen(QListWidget* list, std::function<void(int)> chosen);

// A button that runs action when clicked (never a dialog's default button).
QPushButton* ActionButton(const QString& caption, QWidget* parent, std::function<void()> action);

// An edit stretched beside its button.
QHBoxLayout* FieldRow(QLineEdit* edit, QPushButton* button);

}  // namespace pellucor
