// The player window: binds a PlayerWindow model to the file field, the buttons,
// the status line and the picture of a clip with video.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QVideoWidget;

namespace pellucor {

class PlayerWindow;

class PlayerWindowView : public QDialog {
    Q_OBJECT
public:
    // video: the picture the player control draws into (may be null); the
    // view takes it into its layout.
    PlayerWindowView(PlayerWindow& model, QVideoWidget* video, QWidget* parent = nullptr);

    QLabel* LblStatus() const { return status_; }
    QPushButton* CmdPlay() const { return play_; }

    void reject() override;

private:
    void refresh();

    PlayerWindow& model_;
    QVideoWidget* video_;
    QLineEdit* input_;
    QPushButton *select_, *play_, *stop_, *done_;
    QLabel* status_;
};

}  // namespace pellucor
