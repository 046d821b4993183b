#include "services/folderchooser.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace services {

namespace {

// The drive (root) a clean absolute path lies on.
QString RootOf(const QString& cleanPath) {
    QDir dir(cleanPath);
    while (dir.cdUp()) {
    }
    return dir.absolutePath();
}

}  // namespace

FolderChooser::FolderChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("フォルダ選択"));
    driveList = new QComboBox(this);
    for (const QFileInfo& drive : QDir::drives()) driveList->addItem(drive.absolutePath());
    pathLabel = new QLabel(this);
    pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderList = new QListWidget(this);
    fileList = new QListWidget(this);
    fileList->setSelectionMode(QAbstractItemView::NoSelection);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("取消"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* grid = new QGridLayout(this);
    grid->addWidget(driveList, 0, 0);
    grid->addWidget(pathLabel, 0, 1);
    grid->addWidget(folderList, 1, 0);
    grid->addWidget(fileList, 1, 1);
    grid->addLayout(buttons, 2, 0, 1, 2);
    resize(480, 320);

    connect(driveList, &QComboBox::currentTextChanged, this, [this](const QString& drive) {
        if (!filling_) SetPath(drive);
    });
    connect(folderList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { EnterFolder(item->text()); });
    connect(okButton, &QPushButton::clicked, this, [this] { Finish(1); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { Finish(-1); });

    SetPath(QDir::currentPath());
}

bool FolderChooser::SetPath(const QString& path) {
    QFileInfo info(QDir::fromNativeSeparators(path));
    if (info.exists() && !info.isDir()) info = QFileInfo(info.absolutePath());
    if (!info.isDir()) return false;
    path_ = QDir::cleanPath(info.absoluteFilePath());
    FillLists();
    return true;
}

QString FolderChooser::Path() const {
    return QDir::toNativeSeparators(path_);
}

bool FolderChooser::EnterFolder(const QString& entry) {
    QDir dir(path_);
    if (entry == QLatin1String("..")) {
        if (!dir.cdUp()) return false;
        return SetPath(dir.absolutePath());
    }
    return SetPath(dir.absoluteFilePath(entry));
}

void FolderChooser::FillLists() {
    filling_ = true;
    const int drive = driveList->findText(RootOf(path_));
    if (drive >= 0) driveList->setCurrentIndex(drive);
    pathLabel->setText(Path());

    const QDir dir(path_);
    folderList->clear();
    if (!dir.isRoot()) folderList->addItem(QStringLiteral(".."));
    folderList->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
    fileList->clear();
    fileList->addItems(dir.entryList(QDir::Files, QDir::Name));
    filling_ = false;
}

void FolderChooser::Finish(int result) {
    chooserResult_ = result;
    hide();
    emit Finished(result);
}

void FolderChooser::closeEvent(QCloseEvent* event) {
    event->ignore();
    Finish(-1);
}

void FolderChooser::reject() {
    Finish(-1);
}

}  // namespace services
