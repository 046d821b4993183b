#pragma once
// The result-graph window: the time histories of one element's twelve end forces
// as rows of dots on one plot, coloured scale labels, the static end forces and
// displacements, a readout under the mouse and the pen dialog.
#include <string>

#include <QWidget>

#include "numeric/gauss.h"
#include "platform/surface.h"
#include "results/graphcore.h"
#include "results/setdrawpen.h"

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace fem {
class Model;
}
namespace platform {
class PictureBox;
}

namespace results {

class ReSult : public QWidget {
    Q_OBJECT
  public:
    explicit ReSult(QWidget* parent = nullptr);
    ~ReSult() override;

    // Takes over one element's force histories (component 0..count-1 x point
    // 0..nw-1) in global (globalFlag 1) or element components, labels the window,
    // computes the scales and fills the static lists from model. Does not draw.
    void ATransData(int count, int nw, double te, int element, const numeric::RealMatrix& histories,
                    int globalFlag, const fem::Model& model);
    void ATransData(int count, int nw, double te, int element, const numeric::RealMatrix& histories,
                    int globalFlag);

    void AllDraw();        // clears the plot and draws components 0..11
    void ComputeScales();  // pen scales of components 0..11 and the scale labels
    void SetPlotScale();   // plot coordinates from the display range
    void DrawComponents(int first, int last);
    [[nodiscard]] float MaxAbsValue(int n, int c) const;
    [[nodiscard]] static float TruncateTwoDigits(double x);
    [[nodiscard]] float LargestForceScale() const;

    // Opens the pen dialog on pen i (0..11); true when a change was made with ＯＫ.
    bool GetPen(int i);

    // Indexed pen properties, i = 0..12; another index throws std::out_of_range.
    // Writing changes only the stored value.
    [[nodiscard]] platform::Color PenCol(int i) const { return pens_[i].PenCol; }
    void SetPenCol(int i, platform::Color c) { pens_[i].PenCol = c; }
    [[nodiscard]] platform::Color PenCol2(int i) const { return pens_[i].PenCol2; }
    void SetPenCol2(int i, platform::Color c) { pens_[i].PenCol2 = c; }
    [[nodiscard]] int PenDw(int i) const { return pens_[i].PenDw; }
    void SetPenDw(int i, int w) { pens_[i].PenDw = w; }
    [[nodiscard]] std::string PenTtl(int i) const { return pens_[i].PenTtl; }
    void SetPenTtl(int i, const std::string& t) { pens_[i].PenTtl = t; }
    [[nodiscard]] bool PenNeg(int i) const { return pens_[i].PenNeg; }
    void SetPenNeg(int i, bool neg) { pens_[i].PenNeg = neg; }
    [[nodiscard]] float PenMax(int i) const { return pens_[i].PenMax; }
    void SetPenMax(int i, float m) { pens_[i].PenMax = m; }

    [[nodiscard]] int ReadoutPen() const { return readoutPen_; }
    [[nodiscard]] int ShownPoints() const { return shownPoints_; }
    [[nodiscard]] bool Arranging() const { return arranging_; }
    [[nodiscard]] const numeric::RealMatrix& ForceHistory() const { return history_; }

    // Colour choice for the plot background and the pen dialog; returns -1 when
    // cancelled. By default the program's colour dialog.
    void SetColorChooser(ColorChooser chooser);
    // The pen dialog, created on first use.
    SetDrawPen* PenDialog();

    // The window's controls.
    platform::PictureBox* Picture2;
    QLabel* Label4;  // busy indicator inside the plot
    QLabel* ValuLb;  // readout inside the plot
    QFrame* Line1;   // cursor line inside the plot
    QFrame* Frame3;  // scale labels, readout buttons, range lists, buttons
    QLabel* MaxLb[kComponentCount];
    QRadioButton* Option1[kPenCount];
    QLabel* Label2;
    QComboBox* Tx0Disp;
    QLabel* Label7;
    QComboBox* TxDisp;
    QLabel* ElmLb;
    QLabel* Label1;
    QLabel* Label3[2];
    QLabel* Label5;
    QListWidget* List1;
    QLabel* Label6;
    QListWidget* List2;
    QPushButton* Command2;  // Draw all
    QPushButton* Command1;  // HELP
    QPlainTextEdit* Text1;  // help text
    QLabel* Dummy;          // measures the width the lists need

    // The load size, so that a subwindow of the main frame opens at it.
    [[nodiscard]] QSize sizeHint() const override { return minSize_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildFrame3();
    void PlaceFixedControls();
    void PlaceTopRow();
    void PlaceHelpText();
    void LayoutWidth(int width);
    void LayoutHeight(int height);
    void ArrangeControls(QSize size);
    void ResizeWindow(QSize size);
    void RangeChanged();
    void ReadoutPenClicked(int i);
    void MouseMovedOnPlot(double x, double y);
    void PlotReleased(Qt::MouseButton button);
    void RefreshScaleLabel(int i);
    void MoveCursorLine(double x);

    numeric::RealMatrix history_;
    int nw_ = 0;
    double te_ = 0.0;
    int shownPoints_ = 0;
    PenTable pens_;
    int readoutPen_ = 0;
    bool arranging_ = false;
    QSize minSize_;
    QSize lastSize_;
    double cursorX_ = 0.0;
    bool centred_ = false;
    ColorChooser chooser_;
    SetDrawPen* penDialog_ = nullptr;
};

}  // namespace results
