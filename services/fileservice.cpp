#include "services/fileservice.h"

#include <string>

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/qtcolor.h"
#include "services/folderchooser.h"
#include "services/paths.h"
#include "services/savefile.h"

namespace services {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kCancelled = QStringLiteral("キャンセルされました。");

// Flag values of the dialog modes.
constexpr int kFontAll = 98563;
constexpr int kFontWithoutColor = 1146883;
constexpr int kColorSet = 1;
constexpr int kWriteConfirm = 3;
constexpr int kWriteNoConfirm = 1;
constexpr int kPrinter = 64;

QString WithSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QDir::separator();
}

// Text with any line ends made "\n".
QString NewlinesOnly(QString text) {
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString CrLfLineEnds(const QString& text) {
    return NewlinesOnly(text).replace(QLatin1Char('\n'), kCrLf);
}

// The font dialog with a colour swatch beside it (colour only with effects).
class FontColourDialog : public QDialog {
  public:
    FontColourDialog(QWidget* parent, const QFont& font, const QColor& colour, bool withEffects)
        : QDialog(parent), colour_(colour) {
        setWindowTitle(QStringLiteral("フォント"));
        fonts_ = new QFontDialog(font, this);
        fonts_->setWindowFlags(Qt::Widget);
        fonts_->setOptions(QFontDialog::NoButtons);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(fonts_);
        if (withEffects) {
            auto* row = new QHBoxLayout;
            row->addWidget(new QLabel(QStringLiteral("色"), this));
            swatch_ = new QPushButton(this);
            swatch_->setFixedWidth(60);
            ShowColour();
            connect(swatch_, &QPushButton::clicked, this, [this] {
                const QColor c = QColorDialog::getColor(colour_, this);
                if (c.isValid()) {
                    colour_ = c;
                    ShowColour();
                }
            });
            row->addWidget(swatch_);
            row->addStretch();
            layout->addLayout(row);
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
    [[nodiscard]] QFont Font() const { return fonts_->currentFont(); }
    [[nodiscard]] QColor Colour() const { return colour_; }

  private:
    void ShowColour() {
        swatch_->setStyleSheet(QStringLiteral("background-color: %1").arg(colour_.name()));
    }
    QFontDialog* fonts_ = nullptr;
    QPushButton* swatch_ = nullptr;
    QColor colour_;
};

class QtDialogs : public FileServiceDialogs {
  public:
    QString OpenFile(QWidget* parent, const FileDialogRequest& request,
                     int* chosenFilter) override {
        return Run(parent, request, chosenFilter, QFileDialog::AcceptOpen);
    }
    QString SaveFile(QWidget* parent, const FileDialogRequest& request,
                     int* chosenFilter) override {
        return Run(parent, request, chosenFilter, QFileDialog::AcceptSave);
    }
    QColor GetColor(QWidget* parent, const QColor& initial) override {
        return QColorDialog::getColor(initial, parent);
    }
    bool GetFont(QWidget* parent, QFont& font, QColor& colour, bool withEffects) override {
        FontColourDialog dialog(parent, font, colour, withEffects);
        if (dialog.exec() != QDialog::Accepted) return false;
        font = dialog.Font();
        colour = dialog.Colour();
        return true;
    }
    bool PrinterSetup(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

  private:
    static QString Run(QWidget* parent, const FileDialogRequest& request, int* chosenFilter,
                       QFileDialog::AcceptMode mode) {
        QFileDialog dialog(parent, request.title);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        if (!request.startFolder.isEmpty()) dialog.setDirectory(request.startFolder);
        const QStringList filters = request.filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            if (request.filterIndex >= 0 && request.filterIndex < filters.size())
                dialog.selectNameFilter(filters[request.filterIndex]);
        }
        if (!request.proposedName.isEmpty()) dialog.selectFile(request.proposedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        if (chosenFilter != nullptr) *chosenFilter = filters.indexOf(dialog.selectedNameFilter());
        return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    }
};

FileService* g_service = nullptr;

void DeleteService() {
    delete g_service;
    g_service = nullptr;
}

}  // namespace

QString QtFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|'))) return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        QStringList patterns;
        for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
            if (!p.isEmpty()) patterns << p;
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

std::unique_ptr<FileServiceDialogs> NewQtDialogs() {
    return std::make_unique<QtDialogs>();
}

FileService::FileService()
    : filter_(QString::fromUtf8(kStructureDataFilter)),
      dialogFont_(QStringLiteral("ＭＳ 明朝")),
      dialogColour_(Qt::black),
      colour_(Qt::black) {
    if (QCoreApplication::instance() != nullptr) {
        const QString started = QDir::currentPath();
        const bool own = QDir(started) == QDir(QCoreApplication::applicationDirPath());
        programFolder_ = WithSeparator(QDir::toNativeSeparators(own ? QDir::homePath() : started));
    }
    flags_ = kFontAll;
}

FileService::~FileService() {
    delete chooser_.data();
}

void FileService::SetParentWindow(QWidget* parent) {
    parent_ = parent;
}
void FileService::SetDialogs(FileServiceDialogs* dialogs) {
    dialogs_ = dialogs;
}

FileServiceDialogs& FileService::Dialogs() {
    if (dialogs_ != nullptr) return *dialogs_;
    if (!qtDialogs_) qtDialogs_ = NewQtDialogs();
    return *qtDialogs_;
}

// --- files -------------------------------------------------------------------------

QString FileService::AskFile(Purpose purpose, const QString& proposedName) {
    errorText_.clear();
    FileDialogRequest request;
    request.title = title_;
    request.filter = QtFilter(filter_);
    request.filterIndex = filterIndex_ > 0 ? filterIndex_ - 1 : 0;
    request.confirmOverwrite =
        purpose == Purpose::Write && (flags_ & dialogflags::kOverwritePrompt) != 0;

    QString proposedFolder;
    if (!proposedName.isEmpty()) {
        std::string name;
        proposedFolder = QString::fromStdString(FolderOf(proposedName.toStdString(), name));
        request.proposedName = QString::fromStdString(name);
    }
    if (!proposedFolder.isEmpty()) {
        request.startFolder = proposedFolder;
    } else {
        const QString& last = purpose == Purpose::Read ? lastReadFolder_ : lastWriteFolder_;
        request.startFolder = !last.isEmpty() ? last : programFolder_;
    }
    request.startFolder = QDir::toNativeSeparators(request.startFolder);

    int chosenFilter = request.filterIndex;
    const QString path = purpose == Purpose::Read
                             ? Dialogs().OpenFile(parent_, request, &chosenFilter)
                             : Dialogs().SaveFile(parent_, request, &chosenFilter);
    if (path.isEmpty()) {
        errorText_ = kCancelled;
        return {};
    }
    if (chosenFilter >= 0) filterIndex_ = chosenFilter + 1;
    RecordChoice(path, purpose);
    return fullPath_;
}

void FileService::RecordChoice(const QString& path, Purpose purpose) {
    fullPath_ = QDir::toNativeSeparators(path);
    std::string name;
    folder_ = WithSeparator(QString::fromStdString(FolderOf(fullPath_.toStdString(), name)));
    fileName_ = QString::fromStdString(name);
    std::string base;
    extension_ = QString::fromStdString(ExtensionOf(name, base));
    baseName_ = QString::fromStdString(base);
    (purpose == Purpose::Read ? lastReadFolder_ : lastWriteFolder_) = folder_;
}

QString FileService::ChooseFileToRead() {
    return AskFile(Purpose::Read, QString());
}
QString FileService::ChooseFileToRead(const QString& proposedName) {
    return AskFile(Purpose::Read, proposedName);
}
QString FileService::ChooseFileToWrite() {
    return ChooseFileToWrite(true);
}

QString FileService::ChooseFileToWrite(bool confirm) {
    return ChooseFileToWrite(QString(), confirm);
}

QString FileService::ChooseFileToWrite(const QString& proposedName, bool confirm) {
    SetFlagMode(confirm ? QStringLiteral("wtconfrm") : QStringLiteral("wtnoconfrm"));
    return AskFile(Purpose::Write, proposedName);
}

QString FileService::Filter() const {
    return filter_;
}
void FileService::SetFilter(const QString& filter) {
    filter_ = filter;
}
int FileService::FilterIndex() const {
    return filterIndex_;
}
void FileService::SetFilterIndex(int index) {
    filterIndex_ = index;
}
QString FileService::DialogTitle() const {
    return title_;
}
void FileService::SetDialogTitle(const QString& title) {
    title_ = title;
}

// --- colour and font -------------------------------------------------------------

platform::Color FileService::ChooseColor() {
    errorText_.clear();
    SetFlagMode(QStringLiteral("colorset"));
    const QColor initial = (flags_ & dialogflags::kColorInit) != 0 ? colour_ : QColor(Qt::black);
    const QColor chosen = Dialogs().GetColor(parent_, initial);
    if (!chosen.isValid()) {
        errorText_ = kCancelled;
        return -1;
    }
    colour_ = chosen;
    return platform::FromQColor(chosen);
}

bool FileService::ChooseFont(QFont& font, platform::Color& colour) {
    errorText_.clear();
    SetFlagMode(QStringLiteral("fontall"));
    QFont chosen = dialogFont_;
    QColor chosenColour = dialogColour_;
    if (!Dialogs().GetFont(parent_, chosen, chosenColour,
                           (flags_ & dialogflags::kFontEffects) != 0)) {
        errorText_ = kCancelled;
        return false;
    }
    dialogFont_ = chosen;
    dialogColour_ = chosenColour;
    font.setFamily(chosen.family());
    if (chosen.pointSizeF() > 0.0) font.setPointSizeF(chosen.pointSizeF());
    font.setBold(chosen.bold());
    font.setItalic(chosen.italic());
    font.setUnderline(chosen.underline());
    font.setStrikeOut(chosen.strikeOut());
    colour = platform::FromQColor(chosenColour);
    return true;
}

bool FileService::ChooseFontFor(QWidget* control) {
    if (control == nullptr) return false;
    dialogFont_ = control->font();
    dialogColour_ = control->palette().color(control->foregroundRole());
    QFont font = control->font();
    platform::Color colour = 0;
    if (!ChooseFont(font, colour)) return false;
    control->setFont(font);
    QPalette palette = control->palette();
    const QColor c = platform::ToQColor(colour);
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::Text, c);
    palette.setColor(QPalette::ButtonText, c);
    control->setPalette(palette);
    return true;
}

QFont FileService::DialogFont() const {
    return dialogFont_;
}
platform::Color FileService::DialogColor() const {
    return platform::FromQColor(dialogColour_);
}

// --- printer -----------------------------------------------------------------------

QPrinter& FileService::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

bool FileService::ChoosePrinter() {
    errorText_.clear();
    SetFlagMode(QStringLiteral("printer"));
    if (!Dialogs().PrinterSetup(parent_, Printer())) {
        errorText_ = kCancelled;
        return false;
    }
    return true;
}

void FileService::SetDefaultPrinter(const QPrinter& from) {
    Printer().setPrinterName(from.printerName());
}

// --- text files --------------------------------------------------------------------

bool FileService::ReadTextFromFile(const QString& path, QString& text) {
    errorText_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText_ = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        errorText_ = file.errorString();
        return false;
    }
    QString lines = NewlinesOnly(QString::fromUtf8(bytes));
    if (lines.endsWith(QLatin1Char('\n'))) lines.chop(1);
    text = lines.replace(QLatin1Char('\n'), kCrLf);
    return true;
}

bool FileService::ReadTextFromFile(const QString& path, QLineEdit* box) {
    QString text;
    if (!ReadTextFromFile(path, text)) return false;
    if (box != nullptr) box->setText(text);
    return true;
}

bool FileService::ReadTextFromFile(const QString& path, QPlainTextEdit* box) {
    QString text;
    if (!ReadTextFromFile(path, text)) return false;
    if (box != nullptr) box->setPlainText(NewlinesOnly(text));
    return true;
}

bool FileService::ReadTextFromFile(const QString& path, QTextEdit* box) {
    QString text;
    if (!ReadTextFromFile(path, text)) return false;
    if (box != nullptr) box->setPlainText(NewlinesOnly(text));
    return true;
}

bool FileService::SaveTextToFile(const QString& path, const QString& text) {
    errorText_.clear();
    return SaveFileBytes(path, (text + kCrLf).toUtf8(), &errorText_);
}

bool FileService::SaveTextToFile(const QString& path, const QLineEdit* box) {
    return SaveTextToFile(path, box != nullptr ? box->text() : QString());
}

bool FileService::SaveTextToFile(const QString& path, const QPlainTextEdit* box) {
    return SaveTextToFile(path, box != nullptr ? CrLfLineEnds(box->toPlainText()) : QString());
}

bool FileService::SaveTextToFile(const QString& path, const QTextEdit* box) {
    return SaveTextToFile(path, box != nullptr ? CrLfLineEnds(box->toPlainText()) : QString());
}

bool FileService::ChooseAndReadText(QString& text, QString& path) {
    path = ChooseFileToRead();
    if (path.isEmpty()) return false;
    return ReadTextFromFile(path, text);
}

bool FileService::ChooseAndWriteText(const QString& text, QString& path) {
    path = ChooseFileToWrite();
    if (path.isEmpty()) return false;
    return SaveTextToFile(path, text);
}

// --- folder chooser --------------------------------------------------------------

FolderChooser& FileService::Chooser() {
    if (chooser_.isNull()) chooser_ = new FolderChooser(parent_);
    return *chooser_;
}

void FileService::SetChooserFolder(const QString& path) {
    Chooser().SetPath(path);
}

QString FileService::ChooseFolder(QWidget* owner) {
    errorText_.clear();
    FolderChooser& chooser = Chooser();
    chooser.SetChooserResult(0);
    if (owner != nullptr) {
        const QRect r = owner->isWindow() ? owner->frameGeometry()
                                          : QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
        const int top = r.top() + static_cast<int>((r.height() - chooser.height()) * 0.5);
        chooser.move(r.left(), top);
    }
    chooser.show();
    chooser.raise();
    chooser.activateWindow();
    if (chooser.ChooserResult() == 0) {
        QEventLoop wait;
        QObject::connect(&chooser, &FolderChooser::Finished, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (chooser.ChooserResult() != 1) {
        errorText_ = kCancelled;
        return {};
    }
    return WithSeparator(chooser.Path());
}

// --- flags and state ---------------------------------------------------------------

void FileService::SetFlagMode(const QString& keyword) {
    const QString k = keyword.toLower();
    if (k == QLatin1String("fontall"))
        flags_ = kFontAll;
    else if (k == QLatin1String("fontwithoutcolor"))
        flags_ = kFontWithoutColor;
    else if (k == QLatin1String("colorset"))
        flags_ = kColorSet;
    else if (k == QLatin1String("wtconfrm"))
        flags_ = kWriteConfirm;
    else if (k == QLatin1String("wtnoconfrm"))
        flags_ = kWriteNoConfirm;
    else if (k == QLatin1String("printer"))
        flags_ = kPrinter;
}

int FileService::Flags() const {
    return flags_;
}

QString FileService::ProgramFolder() const {
    return programFolder_;
}
void FileService::SetProgramFolder(const QString& folder) {
    programFolder_ = WithSeparator(QDir::toNativeSeparators(folder));
}
QString FileService::LastReadFolder() const {
    return lastReadFolder_;
}
QString FileService::LastWriteFolder() const {
    return lastWriteFolder_;
}
QString FileService::FullPath() const {
    return fullPath_;
}
QString FileService::FileName() const {
    return fileName_;
}
QString FileService::Folder() const {
    return folder_;
}
QString FileService::Extension() const {
    return extension_;
}
QString FileService::BaseName() const {
    return baseName_;
}
QString FileService::ErrorText() const {
    return errorText_;
}
QString FileService::LineEnd() const {
    return kCrLf;
}

FileService& ProgramFileService() {
    if (g_service == nullptr) {
        g_service = new FileService;
        qAddPostRoutine(DeleteService);
    }
    return *g_service;
}

}  // namespace services
