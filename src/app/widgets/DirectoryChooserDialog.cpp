#include "app/widgets/DirectoryChooserDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/DirectoryChooser.h"

namespace pellucor {

DirectoryChooserDialog::DirectoryChooserDialog(DirectoryChooser* model, QWidget* parent)
    : QDialog(parent), model_(model)
{
    setWindowTitle(QString::fromStdString(model->Caption));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    rootBox_ = new QComboBox;
    for (const std::string& d : DirectoryChooser::Drives())
        rootBox_->addItem(QString::fromStdString(d));
    cmdMkDir_ = new QPushButton(tr("New Directory..."));
    cmdMkDir_->setVisible(model->cmdMkDirVisible);
    top->addWidget(rootBox_, 1);
    top->addWidget(cmdMkDir_);
    layout->addLayout(top);

    fs_ = new QFileSystemModel(this);
    fs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    fs_->setRootPath("/");
    dirTree_ = new QTreeView;
    dirTree_->setModel(fs_);
    for (int c = 1; c < fs_->columnCount(); ++c)
        dirTree_->hideColumn(c);
    dirTree_->header()->hide();
    layout->addWidget(dirTree_, 1);  // the tree takes the dialog's extra height

    DirName_ = new QLineEdit;
    layout->addWidget(DirName_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    resize(QSize(460, 420).boundedTo(screen()->availableGeometry().size() * 0.9));  // room for the frame

    connect(rootBox_, &QComboBox::textActivated, this, [this](const QString& d) {
        model_->driveChanged(d.toStdString());
        refresh();
    });
    connect(dirTree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
        model_->directoryChanged(fs_->filePath(i).toStdString());
        DirName_->setText(QString::fromStdString(model_->DirName));
    });
    // The file system model fills and sorts the tree in the background:
    // rows that arrive above the current directory move it down, so the
    // tree is scrolled to it again (once the view has taken the change in)
    // until the user takes over.
    connect(fs_, &QFileSystemModel::directoryLoaded, this, &DirectoryChooserDialog::revealCurrent,
            Qt::QueuedConnection);
    connect(fs_, &QAbstractItemModel::rowsInserted, this, &DirectoryChooserDialog::revealCurrent, Qt::QueuedConnection);
    connect(fs_, &QAbstractItemModel::layoutChanged, this, &DirectoryChooserDialog::revealCurrent,
            Qt::QueuedConnection);
    connect(dirTree_, &QAbstractItemView::pressed, this, [this] { revealCurrent_ = false; });
    connect(dirTree_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { revealCurrent_ = false; });
    connect(DirName_, &QLineEdit::textEdited, this, [this](const QString& t) { model_->DirName = t.toStdString(); });
    connect(cmdMkDir_, &QPushButton::clicked, this, [this] {
        model_->makeDirectory();
        refresh();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        model_->accept();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        model_->cancel();
        reject();
    });
}

void DirectoryChooserDialog::showEvent(QShowEvent* event)
{
    model_->activate();
    refresh();
    QDialog::showEvent(event);
    // Once laid out at its real size the tree can centre the directory.
    QTimer::singleShot(0, this, [this] { revealCurrent(); });
}

QString DirectoryChooserDialog::CurrentTreeDir() const { return fs_->filePath(dirTree_->currentIndex()); }

bool DirectoryChooserDialog::CurrentDirVisible() const
{
    const QModelIndex i = dirTree_->currentIndex();
    if (!i.isValid())
        return false;
    return dirTree_->viewport()->rect().contains(dirTree_->visualRect(i));
}

void DirectoryChooserDialog::refresh()
{
    rootBox_->setCurrentText(QString::fromStdString(model_->rootDir));
    DirName_->setText(QString::fromStdString(model_->DirName));
    if (!model_->currentDir.empty()) {
        const QModelIndex i = fs_->index(QString::fromStdString(model_->currentDir));
        dirTree_->setCurrentIndex(i);
        revealCurrent_ = true;
        revealCurrent();
    }
}

void DirectoryChooserDialog::revealCurrent()
{
    if (revealCurrent_)
        dirTree_->scrollTo(dirTree_->currentIndex(), QAbstractItemView::PositionAtCenter);
}

bool DirectoryChooserDialog::Choose(QWidget* parent, const FrontEndHooks* hooks, const std::string& title,
                                    std::string& dir, bool allowCreate)
{
    DirectoryChooser model(hooks);
    if (allowCreate)
        model.allowCreate();
    model.Caption = title;
    model.DirName = dir;
    DirectoryChooserDialog dialog(&model, parent);
    dialog.exec();
    if (model.chkCancel != 0)
        return false;
    dir = model.DirName;
    return true;
}

}  // namespace pellucor

#include "moc_DirectoryChooserDialog.cpp"
