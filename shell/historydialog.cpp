#include "shell/historydialog.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "shell/document.h"
#include "shell/numbertext.h"

namespace shell {
namespace {

constexpr fem::HistoryKind kKinds[] = {fem::HistoryKind::Step, fem::HistoryKind::Rectangle,
                                       fem::HistoryKind::HalfSine, fem::HistoryKind::Triangle,
                                       fem::HistoryKind::Table};

bool Finite(double x) {
    return std::isfinite(x);
}

}  // namespace

QString HistoryKindTitle(fem::HistoryKind kind) {
    switch (kind) {
        case fem::HistoryKind::Step:
            return QStringLiteral("ステップ");
        case fem::HistoryKind::Rectangle:
            return QStringLiteral("矩形パルス");
        case fem::HistoryKind::HalfSine:
            return QStringLiteral("半波正弦パルス");
        case fem::HistoryKind::Triangle:
            return QStringLiteral("三角パルス");
        case fem::HistoryKind::Table:
            return QStringLiteral("折れ線（表）");
    }
    return {};
}

QString HistoryFaultText(const fem::LoadHistory& h) {
    switch (h.Kind) {
        case fem::HistoryKind::Step:
            if (!Finite(h.Rise) || h.Rise < 0.0)
                return QStringLiteral("立上り時間は 0 以上の数値にしてください。");
            return {};
        case fem::HistoryKind::Rectangle:
        case fem::HistoryKind::HalfSine:
        case fem::HistoryKind::Triangle:
            if (!Finite(h.Duration) || h.Duration <= 0.0)
                return QStringLiteral("継続時間は 0 より大きい数値にしてください。");
            return {};
        case fem::HistoryKind::Table:
            if (h.Points.empty()) return QStringLiteral("表に点が一つもありません。");
            for (std::size_t i = 0; i < h.Points.size(); ++i) {
                const auto& p = h.Points[i];
                if (!Finite(p[0]) || !Finite(p[1]))
                    return QStringLiteral("%1 行目が数値の組ではありません。").arg(i + 1);
                if (p[0] < 0.0)
                    return QStringLiteral("%1 行目：時刻は 0 以上にしてください。").arg(i + 1);
                if (i > 0 && p[0] <= h.Points[i - 1][0])
                    return QStringLiteral("%1 行目：時刻は増えていく順にしてください。").arg(i + 1);
            }
            return {};
    }
    return QStringLiteral("種類が不明です。");
}

std::optional<std::vector<std::array<double, 2>>> ParsePoints(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    std::vector<std::array<double, 2>> points;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(separators, Qt::SkipEmptyParts);
        if (parts.isEmpty()) continue;
        if (parts.size() != 2) return std::nullopt;
        const auto t = ParseDouble(parts[0]);
        const auto f = ParseDouble(parts[1]);
        if (!t || !f) return std::nullopt;
        points.push_back({*t, *f});
    }
    return points;
}

QString PointsText(const std::vector<std::array<double, 2>>& points) {
    QStringList lines;
    for (const auto& p : points) lines << NumberText(p[0]) + QLatin1Char(' ') + NumberText(p[1]);
    return lines.join(QLatin1Char('\n'));
}

double PlotSpan(const fem::LoadHistory& h) {
    switch (h.Kind) {
        case fem::HistoryKind::Step:
            return h.Rise > 0.0 ? 5.0 * h.Rise : 1.0;
        case fem::HistoryKind::Table: {
            const double last = h.Points.empty() ? 0.0 : h.Points.back()[0];
            return last > 0.0 ? 1.25 * last : 1.0;
        }
        default:
            return 1.25 * h.Duration;
    }
}

// --- HistoryPlot -----------------------------------------------------------------------

HistoryPlot::HistoryPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(220, 110);
}

void HistoryPlot::SetHistory(const std::optional<fem::LoadHistory>& history) {
    history_ = history;
    if (history_ && !HistoryFaultText(*history_).isEmpty()) history_.reset();
    span_ = history_ ? PlotSpan(*history_) : 0.0;
    if (!(span_ > 0.0) || !Finite(span_)) {
        history_.reset();
        span_ = 0.0;
    }
    update();
}

void HistoryPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF area(36.0, 8.0, width() - 46.0, height() - 30.0);
    if (area.width() < 10.0 || area.height() < 10.0) return;

    // The values span at least 0 .. 1; a table may go beyond either way.
    const int samples = std::max(2, static_cast<int>(area.width()));
    std::vector<double> values(static_cast<std::size_t>(samples) + 1, 0.0);
    double low = 0.0;
    double high = 1.0;
    if (history_) {
        for (int i = 0; i <= samples; ++i) {
            values[static_cast<std::size_t>(i)] = fem::HistoryValue(*history_, span_ * i / samples);
            low = std::min(low, values[static_cast<std::size_t>(i)]);
            high = std::max(high, values[static_cast<std::size_t>(i)]);
        }
    }
    // Values so large that their range overflows are not drawn.
    if (!std::isfinite(high - low)) {
        history_.reset();
        low = 0.0;
        high = 1.0;
    }
    const auto y = [&](double f) {
        return area.bottom() - (f - low) / (high - low) * area.height();
    };

    p.setPen(QPen(Qt::gray, 1));
    p.drawLine(QPointF(area.left(), y(0.0)), QPointF(area.right(), y(0.0)));
    p.drawLine(area.bottomLeft(), area.topLeft());
    p.setPen(Qt::black);
    p.drawText(QRectF(0.0, y(high) - 8.0, 32.0, 16.0), Qt::AlignRight | Qt::AlignVCenter,
               ReadoutText(high));
    if (low < 0.0)
        p.drawText(QRectF(0.0, y(low) - 8.0, 32.0, 16.0), Qt::AlignRight | Qt::AlignVCenter,
                   ReadoutText(low));
    p.drawText(QRectF(0.0, y(0.0) - 8.0, 32.0, 16.0), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("0"));
    if (!history_) return;
    p.drawText(QRectF(area.left(), area.bottom() + 4.0, area.width(), 16.0), Qt::AlignRight,
               QStringLiteral("t = ") + ReadoutText(span_) + QStringLiteral(" s"));

    QPainterPath path;
    for (int i = 0; i <= samples; ++i) {
        const QPointF point(area.left() + area.width() * i / samples,
                            y(values[static_cast<std::size_t>(i)]));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 200), 1.5));
    p.drawPath(path);
}

// --- HistoriesDialog -------------------------------------------------------------------

HistoriesDialog::HistoriesDialog(Document& document, SheetHost host, QWidget* parent)
    : NamedTableDialog(document, std::move(host), QStringLiteral("荷重履歴"), parent) {
    setObjectName(QStringLiteral("historiesDialog"));
    auto* editor = new QWidget(this);
    auto* grid = new QGridLayout(editor);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("種類"), editor), 0, 0);
    kindCombo_ = new QComboBox(editor);
    kindCombo_->setObjectName(QStringLiteral("historyKindCombo"));
    for (fem::HistoryKind kind : kKinds) kindCombo_->addItem(HistoryKindTitle(kind));
    grid->addWidget(kindCombo_, 0, 1, 1, 2);
    valueLabel_ = new QLabel(editor);
    grid->addWidget(valueLabel_, 1, 0);
    valueEdit_ = new QLineEdit(editor);
    valueEdit_->setObjectName(QStringLiteral("historyValueEdit"));
    valueEdit_->installEventFilter(this);
    grid->addWidget(valueEdit_, 1, 1);
    valueUnit_ = new QLabel(QStringLiteral("s"), editor);
    grid->addWidget(valueUnit_, 1, 2);
    pointsLabel_ = new QLabel(QStringLiteral("点 (t [s], f)：1 行に 1 点"), editor);
    grid->addWidget(pointsLabel_, 2, 0, 1, 3);
    pointsEdit_ = new QPlainTextEdit(editor);
    pointsEdit_->setObjectName(QStringLiteral("historyPointsEdit"));
    pointsEdit_->setToolTip(QStringLiteral(
        "時刻と値を空白かコンマで区切って 1 行に 1 点。点の間は直線、最後の値が続きます"));
    pointsEdit_->setMinimumHeight(90);
    grid->addWidget(pointsEdit_, 3, 0, 1, 3);
    auto* note =
        new QLabel(QStringLiteral("f(t)：pf に掛ける倍率。開始は解析の Te/10 です。"), editor);
    note->setWordWrap(true);
    grid->addWidget(note, 4, 0, 1, 3);
    plot_ = new HistoryPlot(editor);
    plot_->setObjectName(QStringLiteral("historyPlot"));
    grid->addWidget(plot_, 5, 0, 1, 3);
    faultLabel_ = new QLabel(editor);
    faultLabel_->setObjectName(QStringLiteral("historyFaultLabel"));
    faultLabel_->setWordWrap(true);
    faultLabel_->setStyleSheet(QStringLiteral("color: #c00000"));
    grid->addWidget(faultLabel_, 6, 0, 1, 3);

    connect(kindCombo_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { KindChosen(); });
    connect(valueEdit_, &QLineEdit::textChanged, this, [this] { ValuesEdited(); });
    connect(pointsEdit_, &QPlainTextEdit::textChanged, this, [this] { ValuesEdited(); });
    BuildControls(editor);
}

std::optional<fem::LoadHistory> HistoriesDialog::CurrentHistory() const {
    fem::LoadHistory h;
    const int index = kindCombo_->currentIndex();
    if (index < 0) return std::nullopt;
    h.Kind = kKinds[index];
    if (h.Kind == fem::HistoryKind::Table) {
        auto points = ParsePoints(pointsEdit_->toPlainText());
        if (!points) return std::nullopt;
        h.Points = std::move(*points);
        return h;
    }
    const bool step = h.Kind == fem::HistoryKind::Step;
    const auto value = BoxValue(valueEdit_->text(), step ? shown_.Rise : shown_.Duration);
    if (!value) return std::nullopt;
    (step ? h.Rise : h.Duration) = *value;
    return h;
}

void HistoriesDialog::KindChosen() {
    const int index = kindCombo_->currentIndex();
    const bool table = index >= 0 && kKinds[index] == fem::HistoryKind::Table;
    const bool step = index >= 0 && kKinds[index] == fem::HistoryKind::Step;
    valueLabel_->setText(step ? QStringLiteral("立上り時定数") : QStringLiteral("継続時間"));
    valueLabel_->setVisible(!table);
    valueEdit_->setVisible(!table);
    valueUnit_->setVisible(!table);
    pointsLabel_->setVisible(table);
    pointsEdit_->setVisible(table);
    ValuesEdited();
}

void HistoriesDialog::ValuesEdited() {
    const QString fault = CheckValues();
    faultLabel_->setText(fault);
    faultLabel_->setVisible(!fault.isEmpty());
    plot_->SetHistory(CurrentHistory());
}

std::vector<std::string> HistoriesDialog::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : document_.Model().Histories()) names.push_back(entry.first);
    return names;
}

void HistoriesDialog::ShowEntry(const std::string* name) {
    if (name) {
        shown_ = document_.Model().Histories().at(*name);
    } else {
        // A new entry starts as a half-sine pulse of 1 ms, the commonest impact pulse.
        shown_ = {};
        shown_.Kind = fem::HistoryKind::HalfSine;
        shown_.Duration = 1e-3;
    }
    const auto* kind = std::find(std::begin(kKinds), std::end(kKinds), shown_.Kind);
    const QSignalBlocker blockKind(kindCombo_);
    const QSignalBlocker blockValue(valueEdit_);
    const QSignalBlocker blockPoints(pointsEdit_);
    kindCombo_->setCurrentIndex(static_cast<int>(kind - std::begin(kKinds)));
    valueEdit_->setText(
        NumberText(shown_.Kind == fem::HistoryKind::Step ? shown_.Rise : shown_.Duration));
    pointsEdit_->setPlainText(shown_.Kind == fem::HistoryKind::Table
                                  ? PointsText(shown_.Points)
                                  : QStringLiteral("0 0\n0.001 1\n0.002 0"));
    KindChosen();
}

QString HistoriesDialog::CheckValues() const {
    const std::optional<fem::LoadHistory> h = CurrentHistory();
    if (!h) return QStringLiteral("入力された数値が不適当です");
    return HistoryFaultText(*h);
}

void HistoriesDialog::PutEntry(const std::string& name) {
    if (const std::optional<fem::LoadHistory> h = CurrentHistory())
        document_.Model().PutHistory(name, *h);
}

void HistoriesDialog::RenameEntry(const std::string& from, const std::string& to) {
    document_.Model().RenameHistory(from, to);
}

void HistoriesDialog::DeleteEntry(const std::string& name) {
    document_.Model().DeleteHistory(name);
}

int HistoriesDialog::FirstUser(const std::string&) const {
    return -1;  // histories are used by nodes and the ground, not by elements
}

QString HistoriesDialog::UserText(const std::string& name) const {
    const fem::Model& model = document_.Model();
    for (int i = 0; i < model.NodeCount(); ++i)
        for (const std::string& h : model.Nodes[static_cast<std::size_t>(i)].History)
            if (h == name) return QStringLiteral("節点 %1 がこの荷重履歴を使っています。").arg(i);
    if (model.Ground() && model.Ground()->History == name)
        return QStringLiteral("地盤運動がこの荷重履歴を使っています。");
    return {};
}

QString HistoriesDialog::RefusingElement(const std::string&) const {
    return {};  // a usable history suits every load
}

}  // namespace shell
