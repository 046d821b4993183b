#include "shell/dampingeditor.h"

#include <cmath>

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "shell/numbertext.h"

namespace shell {

QString DampingFaultText(const fem::Damping& d) {
    const auto usable = [](double x) { return std::isfinite(x) && x >= 0.0; };
    if (d.Given == fem::Damping::Form::Rayleigh) {
        if (!usable(d.Alpha)) return QStringLiteral("α は 0 以上の数値にしてください。");
        if (!usable(d.Beta)) return QStringLiteral("β は 0 以上の数値にしてください。");
        return {};
    }
    if (!usable(d.Ratio)) return QStringLiteral("減衰比 ζ は 0 以上の数値にしてください。");
    for (double f : d.AtHz)
        if (!std::isfinite(f) || f <= 0.0)
            return QStringLiteral("振動数 f1, f2 は 0 より大きい数値にしてください。");
    const fem::RayleighCoefficients r = fem::RayleighOf(d);
    if (!std::isfinite(r.Alpha) || !std::isfinite(r.Beta))
        return QStringLiteral("この振動数では α, β が求まりません。");
    return {};
}

DampingEditor::DampingEditor(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    rayleighButton_ = new QRadioButton(QStringLiteral("レイリー減衰"), this);
    rayleighButton_->setObjectName(QStringLiteral("rayleighButton"));
    rayleighButton_->setToolTip(
        QStringLiteral("慣性 ρ(s² + α s)、弾性係数 E(1 + β s)、G(1 + β s)"));
    ratioButton_ = new QRadioButton(QStringLiteral("減衰比"), this);
    ratioButton_->setObjectName(QStringLiteral("ratioButton"));
    ratioButton_->setToolTip(QStringLiteral("二つの振動数で減衰比 ζ になる α, β"));
    auto* choice = new QButtonGroup(this);
    choice->addButton(rayleighButton_);
    choice->addButton(ratioButton_);
    const auto box = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMinimumWidth(80);
        connect(e, &QLineEdit::textChanged, this, [this] { Refresh(); });
        return e;
    };
    alphaEdit_ = box("alphaEdit");
    betaEdit_ = box("betaEdit");
    ratioEdit_ = box("ratioEdit");
    f1Edit_ = box("f1Edit");
    f2Edit_ = box("f2Edit");
    grid->addWidget(rayleighButton_, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("α (1/s)"), this), 1, 0);
    grid->addWidget(alphaEdit_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("β (s)"), this), 1, 2);
    grid->addWidget(betaEdit_, 1, 3);
    grid->addWidget(ratioButton_, 2, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("ζ"), this), 3, 0);
    grid->addWidget(ratioEdit_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("f1, f2 (Hz)"), this), 4, 0);
    grid->addWidget(f1Edit_, 4, 1);
    grid->addWidget(f2Edit_, 4, 3);
    convertedLabel_ = new QLabel(this);
    convertedLabel_->setObjectName(QStringLiteral("convertedLabel"));
    convertedLabel_->setToolTip(QStringLiteral("α = 2ζω1ω2/(ω1+ω2)、β = 2ζ/(ω1+ω2)、ω = 2πf"));
    grid->addWidget(convertedLabel_, 5, 0, 1, 4);
    connect(rayleighButton_, &QRadioButton::toggled, this, [this] { Refresh(); });
    SetDamping({});
}

void DampingEditor::SetDamping(const fem::Damping& damping) {
    shown_ = damping;
    const QSignalBlocker blocks[] = {QSignalBlocker(alphaEdit_), QSignalBlocker(betaEdit_),
                                     QSignalBlocker(ratioEdit_), QSignalBlocker(f1Edit_),
                                     QSignalBlocker(f2Edit_),    QSignalBlocker(rayleighButton_)};
    alphaEdit_->setText(NumberText(damping.Alpha));
    betaEdit_->setText(NumberText(damping.Beta));
    ratioEdit_->setText(NumberText(damping.Ratio));
    f1Edit_->setText(NumberText(damping.AtHz[0]));
    f2Edit_->setText(NumberText(damping.AtHz[1]));
    (damping.Given == fem::Damping::Form::Rayleigh ? rayleighButton_ : ratioButton_)
        ->setChecked(true);
    Refresh();
}

std::optional<fem::Damping> DampingEditor::CurrentDamping() const {
    fem::Damping d;
    d.Given =
        rayleighButton_->isChecked() ? fem::Damping::Form::Rayleigh : fem::Damping::Form::Ratio;
    QLineEdit* const boxes[5] = {alphaEdit_, betaEdit_, ratioEdit_, f1Edit_, f2Edit_};
    double* const targets[5] = {&d.Alpha, &d.Beta, &d.Ratio, &d.AtHz[0], &d.AtHz[1]};
    const double shown[5] = {shown_.Alpha, shown_.Beta, shown_.Ratio, shown_.AtHz[0],
                             shown_.AtHz[1]};
    // Only the boxes of the chosen form count; the others keep nothing.
    const int first = d.Given == fem::Damping::Form::Rayleigh ? 0 : 2;
    const int last = d.Given == fem::Damping::Form::Rayleigh ? 2 : 5;
    for (int i = first; i < last; ++i) {
        const auto value = BoxValue(boxes[i]->text(), shown[i]);
        if (!value) return std::nullopt;
        *targets[i] = *value;
    }
    return d;
}

QString DampingEditor::Fault() const {
    const std::optional<fem::Damping> d = CurrentDamping();
    if (!d) return QStringLiteral("減衰の数値が不適当です。");
    return DampingFaultText(*d);
}

void DampingEditor::Refresh() {
    const bool rayleigh = rayleighButton_->isChecked();
    alphaEdit_->setEnabled(rayleigh);
    betaEdit_->setEnabled(rayleigh);
    ratioEdit_->setEnabled(!rayleigh);
    f1Edit_->setEnabled(!rayleigh);
    f2Edit_->setEnabled(!rayleigh);
    const std::optional<fem::Damping> d = CurrentDamping();
    if (!rayleigh && d && DampingFaultText(*d).isEmpty()) {
        const fem::RayleighCoefficients r = fem::RayleighOf(*d);
        convertedLabel_->setText(QStringLiteral("→ α = %1 1/s、β = %2 s")
                                     .arg(ReadoutText(r.Alpha), ReadoutText(r.Beta)));
    } else {
        convertedLabel_->setText(QString());
    }
    emit Edited();
}

}  // namespace shell
