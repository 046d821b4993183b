#include "results/setdrawpen.h"

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

SetDrawPen::SetDrawPen(QWidget* parent) : QDialog(parent), chooser_(DefaultColorChooser()) {
    setWindowTitle("Form1");
    setModal(true);

    Label1 = new QLabel(this);
    Label2 = new QLabel(this);
    Label3 = new QLabel(this);
    Text1 = new QLineEdit(this);
    Combo1 = new QComboBox(this);
    Check1 = new QCheckBox("負号反転", this);
    Check2 = new QCheckBox("全て", this);
    Command1 = new QPushButton("ＯＫ", this);
    Command2 = new QPushButton("取消", this);
    Combo1->addItems({"1", "2", "3"});

    for (QLabel* swatch : {Label1, Label2}) {
        swatch->setFrameShape(QFrame::Box);
        swatch->setMinimumSize(48, 22);
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
    }
    Label3->setFrameShape(QFrame::Panel);
    Label3->setMinimumHeight(24);
    Label3->setContentsMargins(4, 0, 4, 0);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(new QLabel("線の色", this), 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(new QLabel("文字の色", this), 1, 1);
    grid->addWidget(Label3, 2, 0, 1, 2);
    grid->addWidget(Text1, 3, 0);
    grid->addWidget(new QLabel("表示単位", this), 3, 1);
    grid->addWidget(Combo1, 4, 0);
    grid->addWidget(new QLabel("線の太さ", this), 4, 1);
    grid->addWidget(Check1, 5, 0);
    grid->addWidget(Check2, 5, 1);
    grid->addWidget(Command1, 6, 0);
    grid->addWidget(Command2, 6, 1);

    connect(Check1, &QCheckBox::clicked, this, [this] { SignClicked(); });
    connect(Command1, &QPushButton::clicked, this, [this] {
        PenChanged = true;
        accept();
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        PenChanged = false;
        reject();
    });
    // Closing the dialog by its frame counts as 取消.
    connect(this, &QDialog::rejected, this, [this] { PenChanged = false; });
    Command1->setDefault(true);
    adjustSize();
}

void SetDrawPen::SetColorChooser(ColorChooser chooser) {
    chooser_ = chooser ? std::move(chooser) : DefaultColorChooser();
}

void SetDrawPen::SetLineColor(platform::Color c) {
    lineColor_ = c;
    SetLabelColors(Label1, c, 0);
    SetLabelColors(Label3, lineColor_, textColor_);
}

void SetDrawPen::SetTextColor(platform::Color c) {
    textColor_ = c;
    SetLabelColors(Label2, c, 0);
    SetLabelColors(Label3, lineColor_, textColor_);
}

void SetDrawPen::SignClicked() {
    // The preview keeps its title (three characters) and shows the typed scale.
    Label3->setText(Label3->text().left(3) + (Check1->isChecked() ? "-" : "") + Text1->text());
}

bool SetDrawPen::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Label1 || watched == Label2) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const platform::Color c = chooser_(this);
        if (c != -1) {
            if (watched == Label1) {
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
