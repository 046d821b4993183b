#pragma once
// The result-graph window: the time histories of one element's twelve end forces,
// or of one node's six displacements, as curves on one plot with a time axis and a value
// axis per group of curves (forces and moments, translations and rotations), coloured
// scale labels, the static end forces and displacements, a readout under the mouse and
// the pen dialog. The graph is saved as a picture (PNG, SVG, PDF) or printed as drawn,
// its histories as CSV; the static lists copy as text. Histories of an analysis with
// aliasing correction come with the estimated error of the uncorrected curves, shown
// as a third list "推定誤差" beside the static lists; a curve whose peak lies below its
// error is drawn at the common scale of its kind ("誤差以下"). Uncorrected histories are
// said to be so, and the correction is offered when a curve grows towards the end.
//
// Once the structure has changed the graph is retired (Retire): the plot is cleared and
// says that it belonged to the structure before the change, and nothing of it is saved,
// printed or copied.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include <QSize>
#include <QString>
#include <QWidget>

#include "numeric/gauss.h"
#include "platform/pictureexport.h"
#include "platform/surface.h"
#include "results/graphcore.h"
#include "results/graphpicture.h"
#include "results/pendialog.h"

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace fem {
class Model;
struct StaticSolution;
}  // namespace fem
namespace platform {
class PictureBox;
}
namespace services {
class PictureSizeDialog;
}

namespace results {

using services::PictureSizeDialog;

class ForceGraphWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ForceGraphWindow(QWidget* parent = nullptr);
    ~ForceGraphWindow() override;

    // Takes over one element's force histories (component 0..count-1 x point
    // 0..nw-1) in global (globalFlag 1) or element components, labels the window,
    // computes the scales and fills the static lists from model and its static solution
    // (statics; null or a failed one: the lists show 0). Does not draw.
    void SetForceHistories(int count, int nw, double te, int element,
                           const numeric::RealMatrix& histories, int globalFlag,
                           const fem::Model& model, const fem::StaticSolution* statics);
    // Takes over one node's six displacement histories (component 0..5 x point
    // 0..nw-1, global components): the scale labels, readout and lists then show ux,
    // uy, uz, θx, θy, θz with the same pens. Does not draw.
    void SetNodeDisplacements(int nw, double te, int node, const numeric::RealMatrix& histories,
                              const fem::Model& model, const fem::StaticSolution* statics);

    // After SetNodeDisplacements: names what the six curves are when they are not
    // displacements (a velocity, an acceleration, the reactions of a support): the
    // window's title, the caption beside the components, the pens' titles ("vx=") and the
    // CSV file's first line ("t,vx,vy,vz,wx,wy,wz").
    void NameNodeQuantity(const QString& title, const QString& caption,
                          const std::array<const char*, 6>& penTitles, const char* csvHeader);

    // The estimated aliasing error of the uncorrected curves (component x point, as the
    // histories just taken over): the list "推定誤差" shows, per component, its largest
    // value relative to the peak of the curve shown. An empty matrix removes the list.
    // Taking over histories removes it too, so call this after SetForceHistories or
    // SetNodeDisplacements.
    void SetEstimatedErrors(const numeric::RealMatrix& errors);
    // The relative errors the list shows (empty when it is not shown); -1 for a
    // component whose curve is zero throughout.
    [[nodiscard]] const std::vector<double>& RelativeErrors() const { return relativeErrors_; }
    // Whether the histories shown are uncorrected (no estimated errors were given) and
    // whether a curve of them grows towards the end of the window, for which the
    // correction is offered.
    [[nodiscard]] bool Uncorrected() const { return uncorrected_; }
    [[nodiscard]] bool CorrectionOffered() const;
    // "補正して再解析": what the window asks for when the correction is accepted.
    std::function<void()> CorrectionRequested;

    // The graph belongs to a structure that has changed since: the plot is cleared and
    // says so, and saving, printing and copying refuse with the message why. Taking
    // over histories ends it.
    void Retire(const QString& why);
    [[nodiscard]] bool Retired() const { return !retiredBecause_.isEmpty(); }
    // The name of the structure's file (or sample), for the titles of saved pictures.
    void SetStructureName(const QString& name) { structureName_ = name; }

    [[nodiscard]] GraphKind Kind() const { return kind_; }
    [[nodiscard]] int ComponentCount() const { return results::ComponentCount(kind_); }

    void DrawAll();        // clears the plot and draws every component
    void ComputeScales();  // pen scales of the components and the scale labels
    void SetPlotScale();   // plot coordinates from the display range
    void DrawComponents(int first, int last);
    [[nodiscard]] float MaxAbsValue(int n, int c) const;
    [[nodiscard]] static float TruncateTwoDigits(double x);
    [[nodiscard]] float LargestForceScale() const;

    // Opens the pen dialog on pen i (0..11); true when a change was made with ＯＫ.
    bool EditPen(int i);

    // Indexed pen properties, i = 0..12; another index throws std::out_of_range.
    // Writing changes only the stored value.
    [[nodiscard]] platform::Color PenCurveColor(int i) const { return pens_[i].CurveColor; }
    void SetPenCurveColor(int i, platform::Color c) { pens_[i].CurveColor = c; }
    [[nodiscard]] platform::Color PenLabelTextColor(int i) const { return pens_[i].LabelTextColor; }
    void SetPenLabelTextColor(int i, platform::Color c) { pens_[i].LabelTextColor = c; }
    [[nodiscard]] int PenDotWidth(int i) const { return pens_[i].DotWidth; }
    void SetPenDotWidth(int i, int w) { pens_[i].DotWidth = w; }
    [[nodiscard]] std::string PenTitle(int i) const { return pens_[i].Title; }
    void SetPenTitle(int i, const std::string& t) { pens_[i].Title = t; }
    [[nodiscard]] bool PenNegated(int i) const { return pens_[i].Negated; }
    void SetPenNegated(int i, bool neg) { pens_[i].Negated = neg; }
    [[nodiscard]] float PenScale(int i) const { return pens_[i].Scale; }
    void SetPenScale(int i, float m) { pens_[i].Scale = m; }

    [[nodiscard]] int ReadoutPen() const { return readoutPen_; }
    [[nodiscard]] int ShownPoints() const { return shownPoints_; }
    [[nodiscard]] bool Arranging() const { return arranging_; }
    [[nodiscard]] const numeric::RealMatrix& ForceHistory() const { return history_; }

    // --- pictures, printing, CSV and copies -------------------------------------------
    // The graph as the plot shows it (pens, scales, range, back colour), with a title.
    [[nodiscard]] GraphPicture Picture() const;
    // "画像保存": asks for a file (PNG, SVG or PDF) and a size (the plot's by default) and
    // writes the picture; failures are shown in a message.
    void SavePicture();
    // Writes the picture of size pixels to path, the format by its extension.
    [[nodiscard]] platform::ExportResult SavePicture(const QString& path, QSize size) const;
    // "印刷": prints the picture on the program's printer after its printer dialog; with no
    // printer installed, asks for a PDF file and prints into it.
    void Print();
    // Prints the picture onto the printable area of printer's page, text and lines at
    // their screen sizes; false when the printer cannot be started.
    bool PrintTo(QPrinter& printer) const;
    // "CSV保存": asks for a file and writes the histories' CSV table.
    void SaveCsv();
    // The histories shown, as impactframe-cli writes them: t, then each component.
    [[nodiscard]] std::string CsvText() const;
    // Lines of a static list as text, one per line: the selected ones, or the heading
    // and every line when none is selected. CopyList puts them on the clipboard.
    [[nodiscard]] QString ListText(const QListWidget* list) const;
    void CopyList(const QListWidget* list) const;
    // The size dialog of SavePicture, created on first use.
    PictureSizeDialog* pictureSizeDialog();

    // Colour choice for the plot background and the pen dialog; returns -1 when
    // cancelled. By default the program's colour dialog.
    void SetColorChooser(ColorChooser chooser);
    // The pen dialog, created on first use.
    PenDialog* penDialog();

    // The window's controls.
    platform::PictureBox* plotPicture;
    QLabel* busyLabel;                     // busy indicator inside the plot
    QLabel* readoutLabel;                  // readout inside the plot
    QFrame* cursorLine;                    // cursor line inside the plot
    QFrame* sidePanel;                     // scale labels, readout buttons, display range, buttons
    QLabel* scaleLabels[kComponentCount];  // a click redraws, a right click edits the pen
    QRadioButton* readoutButtons[kPenCount];  // the pen of the readout
    QLabel* leftEndLabel;                     // caption of the left end of the time axis
    QComboBox* leftEndCombo;                  // left end, a fraction of Te
    QLabel* rightEndLabel;
    QComboBox* rightEndCombo;
    QLabel* elementLabel;        // above the plot: element number,
    QLabel* nodeLabels[2];       // its two nodes
    QLabel* systemLabel;         // and global or element components
    QLabel* noticeLabel;         // "エイリアシング補正なし" and what follows from it
    QPushButton* correctButton;  // "補正して再解析"
    QLabel* retiredLabel;        // over the plot of a retired graph
    QLabel* forceListHeading;
    QListWidget* forceList;  // static end forces
    QLabel* displacementListHeading;
    QListWidget* displacementList;  // node displacements or element deformation
    QLabel* errorListHeading;       // "推定誤差"
    QListWidget* errorList;         // estimated aliasing error; hidden without correction
    QPushButton* drawAllButton;
    QPushButton* helpButton;
    QPushButton* savePictureButton;  // 画像保存
    QPushButton* printButton;        // 印刷
    QPushButton* saveCsvButton;      // CSV保存
    QPlainTextEdit* helpText;
    QLabel* listWidthProbe;  // measures the width the lists need

    // The load size, so that a subwindow of the main window opens at it.
    [[nodiscard]] QSize sizeHint() const override { return loadSize_; }
    // The smallest size the controls are laid out at: the side panel and the lists at
    // full width with a narrower plot, and the load height. The main window narrows the
    // window to it where the room beside its analysis panel is smaller than the load size.
    [[nodiscard]] QSize minimumSizeHint() const override { return minSize_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildSidePanel();
    void PlaceFixedControls();
    void PlaceTopRow();
    // The notice, after the top row's captions that end at `left`.
    void PlaceNotice(int left);
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
    void ShowComponentControls();
    void SetCaptions(const StaticLists& lists);
    // Keeps the first rows of histories (count components, the others zero) up to Nw
    // points, with their scales, title and static lists.
    void TakeHistories(int nw, double te, const numeric::RealMatrix& histories, int rows, int count,
                       const StaticLists& lists);
    void FillLists(const StaticLists& lists);
    // Shows or removes the error list; the window widens or narrows by its column, so
    // that the plot keeps its size.
    void ShowErrorList(bool shown);
    [[nodiscard]] int ErrorColumnWidth() const;
    // The side panel, the lists and the margin right of them: all but the plot.
    [[nodiscard]] int ColumnsWidth() const;
    [[nodiscard]] int ListHeight(QListWidget* list, int lines) const;
    [[nodiscard]] QSize LoadSize() const;
    void ScheduleRedraw();
    // The file service's answer to a request to write a file of the given filter.
    QString AskFileToWrite(const QString& filter, const QString& proposedName);
    [[nodiscard]] QString ProposedFileName(const char* extension) const;
    // Refuses (with its message) while the graph is retired; true when it may go on.
    bool MayExport() const;
    void ShowNotice();
    [[nodiscard]] PlotArea Area() const;
    [[nodiscard]] std::string PictureTitle() const;
    [[nodiscard]] std::string NoticeText() const;

    numeric::RealMatrix history_;
    StaticLists lists_;  // of the histories taken over last
    std::vector<double> relativeErrors_;
    CommonScales common_;  // of the static solution the histories came with
    bool uncorrected_ = false;
    QString retiredBecause_;
    QString structureName_;
    GraphKind kind_ = GraphKind::ElementForces;
    int number_ = 0;  // the element or node shown
    std::string title_;
    // The CSV's first line when NameNodeQuantity named the curves; else the kind's.
    std::string csvHeader_;
    bool plotHasDrawing_ = false;
    bool redrawPending_ = false;
    int nw_ = 0;
    double te_ = 0.0;
    int shownPoints_ = 0;
    PenTable pens_;
    int readoutPen_ = 0;
    bool arranging_ = false;
    QSize loadSize_;
    QSize minSize_;
    QSize lastSize_;
    double cursorX_ = 0.0;
    ColorChooser chooser_;
    PenDialog* penDialog_ = nullptr;
    PictureSizeDialog* sizeDialog_ = nullptr;
};

}  // namespace results
