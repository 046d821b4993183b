#pragma once
// FileService: the program's one file, colour, font and printer service. Windows ask it
// for a file name to read or write, a colour or a font; it shows the dialog, starts
// in the folder last used for reading or for writing, and remembers the choice. It
// also reads and writes text files for text boxes and carries a small folder chooser.
//
// No operation raises an error: cancelling or a failing dialog or file ends it with
// an empty string, -1 or false, and ErrorText() then says why. The remembered folders
// change only after a successful choice. Folders always end in the platform's
// separator.
#include <memory>

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QString>

#include "platform/surface.h"

class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QTextEdit;
class QWidget;

namespace services {

class FolderChooser;

// Dialog filters are written "description|patterns|description|patterns", patterns
// separated by ";".
inline constexpr const char* kDocumentFilter = "文書(*.txt)|*.txt;*.doc|All|*.*";
// The structure data files of both versions: plain text and JSON.
inline constexpr const char* kStructureDataFilter = "構造データ(*.txt *.json)|*.txt;*.json|All|*.*";

// Converts such a filter to Qt's syntax: "文書(*.txt)|*.txt;*.doc|All|*.*" becomes
// "文書 (*.txt *.doc);;All (*)". A filter without "|" is returned unchanged.
QString QtFilter(const QString& filter);

// Flag values of the dialog modes (selected by keyword, see FileService::SetFlagMode).
namespace dialogflags {
constexpr int kColorInit = 0x1;        // colour dialog starts from the current colour
constexpr int kOverwritePrompt = 0x2;  // save dialog asks before replacing a file
constexpr int kFontEffects = 0x100;    // font dialog offers colour, underline, strike-out
}  // namespace dialogflags

// What a file dialog is asked to show.
struct FileDialogRequest {
    QString title;         // empty: the dialog's own
    QString startFolder;   // empty: the dialog's default
    QString proposedName;  // file name filled in, without folder
    QString filter;        // Qt syntax
    int filterIndex = 0;   // entry selected at start, 0-based
    bool confirmOverwrite = false;
};

// The dialogs FileService shows. The built-in implementation uses Qt's dialogs; tests
// install their own so that nothing waits for a person.
class FileServiceDialogs {
  public:
    virtual ~FileServiceDialogs() = default;
    // Full path of the chosen file, or empty when cancelled; *chosenFilter receives
    // the 0-based filter entry in use when the dialog closed.
    virtual QString OpenFile(QWidget* parent, const FileDialogRequest& request,
                             int* chosenFilter) = 0;
    virtual QString SaveFile(QWidget* parent, const FileDialogRequest& request,
                             int* chosenFilter) = 0;
    // The chosen colour, or an invalid QColor when cancelled.
    virtual QColor GetColor(QWidget* parent, const QColor& initial) = 0;
    // Edits font and colour in place; false when cancelled (both then unchanged).
    virtual bool GetFont(QWidget* parent, QFont& font, QColor& colour, bool withEffects) = 0;
    // Printer set-up on the given printer; false when cancelled.
    virtual bool PrinterSetup(QWidget* parent, QPrinter& printer) = 0;
};

// Qt's file, colour, font and print dialogs.
std::unique_ptr<FileServiceDialogs> NewQtDialogs();

class FileService {
  public:
    FileService();
    ~FileService();
    FileService(const FileService&) = delete;
    FileService& operator=(const FileService&) = delete;

    // Parent window of the dialogs (the main frame); may be null.
    void SetParentWindow(QWidget* parent);
    // Replaces the dialogs (not owned); nullptr returns to Qt's dialogs.
    void SetDialogs(FileServiceDialogs* dialogs);

    // --- files ---------------------------------------------------------------
    // Asks for a file to open: full path, or empty when cancelled.
    [[nodiscard]] QString ChooseFileToRead();
    // As ChooseFileToRead, starting in the proposed name's folder (when it has one) with its
    // file name filled in.
    [[nodiscard]] QString ChooseFileToRead(const QString& proposedName);
    // Asks for a file to save, asking before an existing file is replaced.
    [[nodiscard]] QString ChooseFileToWrite();
    // Asks for a file to save; with confirm the dialog asks before replacing.
    [[nodiscard]] QString ChooseFileToWrite(bool confirm);
    // As ChooseFileToWrite, starting in the proposed name's folder with its name filled in.
    [[nodiscard]] QString ChooseFileToWrite(const QString& proposedName, bool confirm);

    // Filter of the file dialogs, in "description|patterns" form (default
    // kStructureDataFilter), the entry selected (1-based; updated by each dialog) and the
    // dialog title.
    [[nodiscard]] QString Filter() const;
    void SetFilter(const QString& filter);
    [[nodiscard]] int FilterIndex() const;
    void SetFilterIndex(int index);
    [[nodiscard]] QString DialogTitle() const;
    void SetDialogTitle(const QString& title);

    // --- colour and font ------------------------------------------------------------
    // Asks for a colour starting from the last one chosen: red + 256 green + 65536 blue,
    // or -1 when cancelled.
    [[nodiscard]] platform::Color ChooseColor();
    // Shows the font dialog starting from the dialog's font and colour; on OK copies
    // name, size, bold, italic, underline and strike-out into font and the colour into
    // colour and returns true; false (nothing changed) when cancelled.
    bool ChooseFont(QFont& font, platform::Color& colour);
    // Fills the dialog from the control's font and text colour, asks, and gives the
    // control the chosen font and colour. False when cancelled.
    bool ChooseFontFor(QWidget* control);
    // Font and colour the font dialog starts from (initially "ＭＳ 明朝", black).
    [[nodiscard]] QFont DialogFont() const;
    [[nodiscard]] platform::Color DialogColor() const;

    // --- printer --------------------------------------------------------------------
    // Shows the printer set-up dialog for the program's printer; true on OK.
    bool ChoosePrinter();
    // Makes the program's printer print to the printer chosen in `from`.
    void SetDefaultPrinter(const QPrinter& from);
    // The program's printer (created on first use).
    [[nodiscard]] QPrinter& Printer();

    // --- text files -----------------------------------------------------------------
    // Reads the file line by line and gives the box the lines joined by line ends, none
    // after the last (in a multi-line box the box's own line breaks). On an open or
    // read error stores the error text, leaves the box unchanged and returns false.
    bool ReadTextFromFile(const QString& path, QLineEdit* box);
    bool ReadTextFromFile(const QString& path, QPlainTextEdit* box);
    bool ReadTextFromFile(const QString& path, QTextEdit* box);
    // Writes the box's text followed by one line end, replacing the file through
    // SaveFileBytes (services/savefile.h): a failed write leaves the old file intact.
    // Line breaks of a multi-line box are written as line ends. False on error.
    bool SaveTextToFile(const QString& path, const QLineEdit* box);
    bool SaveTextToFile(const QString& path, const QPlainTextEdit* box);
    bool SaveTextToFile(const QString& path, const QTextEdit* box);
    // The same on plain strings ("\r\n" line ends).
    bool ReadTextFromFile(const QString& path, QString& text);
    bool SaveTextToFile(const QString& path, const QString& text);
    // Asks ChooseFileToRead; when a name was chosen reads the file into text. False when
    // cancelled or on error.
    bool ChooseAndReadText(QString& text, QString& path);
    // Asks ChooseFileToWrite; when a name was chosen writes text followed by a line end.
    bool ChooseAndWriteText(const QString& text, QString& path);

    // --- folder chooser -------------------------------------------------------------
    // Shows the folder chooser over the owner (its left edge on the owner's, centred
    // vertically) and waits: the chosen folder ending in a separator, or empty on
    // cancel.
    [[nodiscard]] QString ChooseFolder(QWidget* owner);
    // Sets the chooser's drive and folder to the given path.
    void SetChooserFolder(const QString& path);
    // The chooser window (created on first use).
    [[nodiscard]] FolderChooser& Chooser();

    // Dialog flag mode by keyword, case-insensitive: "fontall", "fontwithoutcolor",
    // "colorset", "wtconfrm", "wtnoconfrm", "printer". Others change nothing.
    void SetFlagMode(const QString& keyword);
    [[nodiscard]] int Flags() const;

    // --- state ----------------------------------------------------------------------
    // Where the dialogs start before anything was chosen: the folder the program was
    // started from, or the home folder when that is the program's own folder (never the
    // folder of the program's files).
    [[nodiscard]] QString ProgramFolder() const;
    void SetProgramFolder(const QString& folder);
    [[nodiscard]] QString LastReadFolder() const;
    [[nodiscard]] QString LastWriteFolder() const;
    // The last file chosen: full path, name with extension, folder (with separator),
    // extension without the dot, name without extension.
    [[nodiscard]] QString FullPath() const;
    [[nodiscard]] QString FileName() const;
    [[nodiscard]] QString Folder() const;
    [[nodiscard]] QString Extension() const;
    [[nodiscard]] QString BaseName() const;
    // Why the last operation failed; cleared at the start of each operation.
    [[nodiscard]] QString ErrorText() const;
    // Line end of the text files: carriage return, line feed.
    [[nodiscard]] QString LineEnd() const;

  private:
    enum class Purpose { Read, Write };
    QString AskFile(Purpose purpose, const QString& proposedName);
    void RecordChoice(const QString& path, Purpose purpose);
    FileServiceDialogs& Dialogs();

    QPointer<QWidget> parent_;
    FileServiceDialogs* dialogs_ = nullptr;
    std::unique_ptr<FileServiceDialogs> qtDialogs_;
    std::unique_ptr<QPrinter> printer_;
    QPointer<FolderChooser> chooser_;

    QString programFolder_;
    QString lastReadFolder_;
    QString lastWriteFolder_;
    QString fullPath_;
    QString fileName_;
    QString folder_;
    QString extension_;
    QString baseName_;
    QString errorText_;
    QString filter_;
    int filterIndex_ = 1;
    QString title_;
    int flags_ = 0;
    QFont dialogFont_;
    QColor dialogColour_;
    QColor colour_;
};

// The program-wide service, created on first use (a QApplication must exist) and
// destroyed with the application.
FileService& ProgramFileService();

}  // namespace services
