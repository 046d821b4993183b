#include "results/pendialog.h"

#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "platform/qtcolor.h"
#include "services/fileservice.h"

namespace results {

ColorChooser DefaultColorChooser() {
    return [](QWidget*) { return services::ProgramFileService().ChooseColor(); };
}

void SetLabelColors(QLabel* label, platform::Color back, platform::Color text) {
    QPalette p = label->palette();
    p.setColor(QPalette::Window, platform::ToQColor(back));
    p.setColor(QPalette::WindowText, platform::ToQColor(text));
    label->setPalette(p);
    label->setAutoFillBackground(true);
}

PenDialog::PenDialog(QWidget* parent) : QDialog(parent), chooser_(DefaultColorChooser()) {
    setWindowTitle("表示条件設定");
    setModal(true);

    lineColorSwatch = new QLabel(this);
    textColorSwatch = new QLabel(this);
    preview = new QLabel(this);
    scaleEdit = new QLineEdit(this);
    widthCombo = new QComboBox(this);
    negateCheck = new QCheckBox("負号反転", this);
    widthForAllCheck = new QCheckBox("全て", this);
    okButton = new QPushButton("ＯＫ", this);
    cancelButton = new QPushButton("取消", this);
    widthCombo->addItems({"1", "2", "3"});

    for (QLabel* swatch : {lineColorSwatch, textColorSwatch}) {
        swatch->setFrameShape(QFrame::Box);
        swatch->setMinimumSize(48, 22);
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
    }
    preview->setFrameShape(QFrame::Panel);
    preview->setMinimumHeight(24);
    preview->setContentsMargins(4, 0, 4, 0);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lineColorSwatch, 0, 0);
    grid->addWidget(new QLabel("線の色", this), 0, 1);
    grid->addWidget(textColorSwatch, 1, 0);
    grid->addWidget(new QLabel("文字の色", this), 1, 1);
    grid->addWidget(preview, 2, 0, 1, 2);
    grid->addWidget(scaleEdit, 3, 0);
    grid->addWidget(new QLabel("表示単位", this), 3, 1);
    grid->addWidget(widthCombo, 4, 0);
    grid->addWidget(new QLabel("線の太さ", this), 4, 1);
    grid->addWidget(negateCheck, 5, 0);
    grid->addWidget(widthForAllCheck, 5, 1);
    grid->addWidget(okButton, 6, 0);
    grid->addWidget(cancelButton, 6, 1);

    connect(negateCheck, &QCheckBox::clicked, this, [this] { SignClicked(); });
    connect(okButton, &QPushButton::clicked, this, [this] {
        PenChanged = true;
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        PenChanged = false;
        reject();
    });
    // Closing the dialog by its frame counts as 取消.
    connect(this, &QDialog::rejected, this, [this] { PenChanged = false; });
    okButton->setDefault(true);
    adjustSize();
}

void PenDialog::SetColorChooser(ColorChooser chooser) {
    chooser_ = chooser ? std::move(chooser) : DefaultColorChooser();
}

void PenDialog::SetLineColor(platform::Color c) {
    lineColor_ = c;
    SetLabelColors(lineColorSwatch, c, 0);
    SetLabelColors(preview, lineColor_, textColor_);
}

void PenDialog::SetTextColor(platform::Color c) {
    textColor_ = c;
    SetLabelColors(textColorSwatch, c, 0);
    SetLabelColors(preview, lineColor_, textColor_);
}

void PenDialog::SignClicked() {
    // The preview keeps its title (three characters) and shows the typed scale.
    preview->setText(preview->text().left(3) + (negateCheck->isChecked() ? "-" : "") +
                     scaleEdit->text());
}

bool PenDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == lineColorSwatch || watched == textColorSwatch) &&
        event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const platform::Color c = chooser_(this);
        if (c != -1) {
            if (watched == lineColorSwatch) {
                SetLineColor(c);
            } else {
                SetTextColor(c);
            }
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace results
