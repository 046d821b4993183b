#include "services/picturesizedialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "platform/pictureexport.h"

namespace services {

PictureSizeDialog::PictureSizeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("画像の大きさ"));
    widthSpin = new QSpinBox(this);
    heightSpin = new QSpinBox(this);
    for (QSpinBox* spin : {widthSpin, heightSpin}) {
        spin->setRange(1, platform::kMaxPictureSide);
        spin->setSuffix(QStringLiteral(" ピクセル"));
    }
    okButton = new QPushButton(QStringLiteral("ＯＫ"), this);
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("幅"), this), 0, 0);
    grid->addWidget(widthSpin, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("高さ"), this), 1, 0);
    grid->addWidget(heightSpin, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool PictureSizeDialog::Ask(QSize& size) {
    widthSpin->setValue(size.width());
    heightSpin->setValue(size.height());
    widthSpin->setFocus();
    widthSpin->selectAll();
    if (exec() != QDialog::Accepted) return false;
    size = QSize(widthSpin->value(), heightSpin->value());
    return true;
}

}  // namespace services
