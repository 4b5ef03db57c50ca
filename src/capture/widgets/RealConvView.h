// The converter window: binds a RealConv model to its bit-rate list, the
// input and output fields, the buttons and the progress bar.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class RealConv;

class RealConvView : public QDialog {
    Q_OBJECT
public:
    explicit RealConvView(RealConv& model, QWidget* parent = nullptr);

    QLabel* LblStatus() const { return status_; }
    QProgressBar* Progress() const { return progress_; }

    // Escape and the window's close button ask as Done does.
    void reject() override;

private:
    void refresh();

    RealConv& model_;
    QListWidget* speed_;
    QLineEdit *input_, *output_;
    QProgressBar* progress_;
    QLabel* status_;
};
