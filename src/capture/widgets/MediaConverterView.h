// The converter window: binds a MediaConverter model to its bit-rate list, the
// input and output fields, the buttons and the progress bar.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;

namespace pellucor {

class MediaConverter;

class MediaConverterView : public QDialog {
    Q_OBJECT
public:
    explicit MediaConverterView(MediaConverter& model, QWidget* parent = nullptr);

    QLabel* LblStatus() const { return status_; }
    QProgressBar* Progress() const { return progress_; }

    // Escape and the window's close button ask as Done does.
    void reject() override;

private:
    void refresh();

    MediaConverter& model_;
    QListWidget* speed_;
    QLineEdit *input_, *output_;
    QProgressBar* progress_;
    QLabel* status_;
};

}  // namespace pellucor
