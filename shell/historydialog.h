#pragma once
// The dialog of the model's named load histories ("荷重履歴"): how the size of a "pf" load
// varies with time. A history is a step with a rise time, a rectangle, half-sine or
// triangle pulse of a duration, or a table of points (t, f), and the dialog plots f(t) as
// it is typed. The list, the name box and the commands are those of the materials and
// sections (NamedTableDialog); a history that a node or the ground motion uses cannot be
// deleted.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QWidget>

#include "model/load_history.h"
#include "shell/tabledialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace shell {

// A small plot of f(t) from the history's start over a span that shows its shape: the
// pulse and a quarter more, the table to its last time and a quarter more, five rise
// times of a step. Nothing but the axes when there is no usable history.
class HistoryPlot : public QWidget {
    Q_OBJECT
  public:
    explicit HistoryPlot(QWidget* parent = nullptr);
    void SetHistory(const std::optional<fem::LoadHistory>& history);
    // The time span plotted, s (0 without a history).
    [[nodiscard]] double Span() const { return span_; }
    [[nodiscard]] QSize sizeHint() const override { return {260, 130}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<fem::LoadHistory> history_;
    double span_ = 0.0;
};

// The time span HistoryPlot shows for a usable history.
[[nodiscard]] double PlotSpan(const fem::LoadHistory& history);

// The points of a table as the dialog's box holds them: one point a line, time and value
// separated by blanks, a tab or a comma, "." as the decimal mark; empty lines skipped.
// Nothing when a line is not two numbers.
[[nodiscard]] std::optional<std::vector<std::array<double, 2>>> ParsePoints(const QString& text);
[[nodiscard]] QString PointsText(const std::vector<std::array<double, 2>>& points);

// Why the history cannot be used, in Japanese ("" when it can).
[[nodiscard]] QString HistoryFaultText(const fem::LoadHistory& history);
// The kind as the dialog and the node sheet name it ("ステップ", "矩形", ...).
[[nodiscard]] QString HistoryKindTitle(fem::HistoryKind kind);

class HistoriesDialog : public NamedTableDialog {
    Q_OBJECT
  public:
    HistoriesDialog(Document& document, SheetHost host, QWidget* parent = nullptr);
    // The history the controls describe, or nothing when a box is not a number.
    [[nodiscard]] std::optional<fem::LoadHistory> CurrentHistory() const;
    [[nodiscard]] HistoryPlot* Plot() const { return plot_; }

  private:
    [[nodiscard]] std::vector<std::string> Names() const override;
    void ShowEntry(const std::string* name) override;
    [[nodiscard]] QString CheckValues() const override;
    void PutEntry(const std::string& name) override;
    void RenameEntry(const std::string& from, const std::string& to) override;
    void DeleteEntry(const std::string& name) override;
    [[nodiscard]] int FirstUser(const std::string& name) const override;
    [[nodiscard]] QString UserText(const std::string& name) const override;
    [[nodiscard]] QString RefusingElement(const std::string& name) const override;
    // The controls of the chosen kind shown, the fault and the plot refreshed.
    void KindChosen();
    void ValuesEdited();

    QComboBox* kindCombo_ = nullptr;
    QLabel* valueLabel_ = nullptr;
    QLineEdit* valueEdit_ = nullptr;  // rise of a step, duration of a pulse
    QLabel* valueUnit_ = nullptr;
    QLabel* pointsLabel_ = nullptr;
    QPlainTextEdit* pointsEdit_ = nullptr;
    QLabel* faultLabel_ = nullptr;
    HistoryPlot* plot_ = nullptr;
    fem::LoadHistory shown_;
};

}  // namespace shell
