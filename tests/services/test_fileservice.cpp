// The file service: dialog requests and remembered folders, colour and font choice,
// text files, the folder chooser.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include "services/fileservice.h"
#include "services/folderchooser.h"

namespace {

using services::FileDialogRequest;
using services::FileService;

// Answers the dialogs from queues and remembers what each was asked.
class ScriptedDialogs : public services::FileServiceDialogs {
  public:
    std::deque<QString> files;  // empty string: cancel
    int filterAnswer = -1;      // entry reported as chosen; -1 keeps the one offered
    std::vector<FileDialogRequest> opens, saves;
    std::deque<QColor> colours;  // invalid: cancel
    std::vector<QColor> colourStarts;
    bool fontAnswer = true;
    bool fontEffects = false;
    bool printerAnswer = true;
    QPrinter* printerSeen = nullptr;

    QString OpenFile(QWidget*, const FileDialogRequest& r, int* chosen) override {
        opens.push_back(r);
        return Next(chosen);
    }
    QString SaveFile(QWidget*, const FileDialogRequest& r, int* chosen) override {
        saves.push_back(r);
        return Next(chosen);
    }
    QColor GetColor(QWidget*, const QColor& initial) override {
        colourStarts.push_back(initial);
        const QColor c = colours.front();
        colours.pop_front();
        return c;
    }
    bool GetFont(QWidget*, QFont& font, QColor& colour, bool withEffects) override {
        fontEffects = withEffects;
        if (!fontAnswer) return false;
        font.setFamily(QStringLiteral("Noto Sans"));
        font.setPointSizeF(14.0);
        font.setBold(true);
        font.setItalic(false);
        font.setUnderline(true);
        font.setStrikeOut(true);
        colour = QColor(0, 0, 255);
        return true;
    }
    bool PrinterSetup(QWidget*, QPrinter& printer) override {
        printerSeen = &printer;
        return printerAnswer;
    }

  private:
    QString Next(int* chosen) {
        const QString f = files.front();
        files.pop_front();
        if (filterAnswer >= 0) *chosen = filterAnswer;
        return f;
    }
};

class FileServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs.SetDialogs(&dialogs);
        fs.SetProgramFolder(QStringLiteral("/opt/impactframe"));
    }
    QString Native(const char* path) { return QDir::toNativeSeparators(QString::fromUtf8(path)); }

    ScriptedDialogs dialogs;
    FileService fs;
};

TEST(QtFilter, ConvertsBarSeparatedFilters) {
    EXPECT_EQ(services::QtFilter(QString::fromUtf8(services::kDocumentFilter)),
              QStringLiteral("文書 (*.txt *.doc);;All (*)"));
    EXPECT_EQ(services::QtFilter(QString::fromUtf8(services::kStructureDataFilter)),
              QStringLiteral("構造データ (*.txt *.json);;All (*)"));
    EXPECT_EQ(services::QtFilter(QStringLiteral("Data|*.dat; *.csv")),
              QStringLiteral("Data (*.dat *.csv)"));
    EXPECT_EQ(services::QtFilter(QStringLiteral("Text (*.txt);;All (*)")),
              QStringLiteral("Text (*.txt);;All (*)"));
}

TEST_F(FileServiceTest, ReadAndWriteRememberTheirOwnFolders) {
    // Nothing chosen yet: both dialogs start in the program folder.
    dialogs.files = {QString(),
                     Native("/data/frame1.txt"),
                     Native("/data/x.txt"),
                     Native("/out/result.dat"),
                     Native("/data2/y.txt"),
                     QString()};
    EXPECT_EQ(fs.ChooseFileToRead(), QString());
    EXPECT_FALSE(fs.ErrorText().isEmpty());
    EXPECT_EQ(fs.LastReadFolder(), QString());
    EXPECT_EQ(dialogs.opens.back().startFolder, Native("/opt/impactframe/"));

    EXPECT_EQ(fs.ChooseFileToRead(), Native("/data/frame1.txt"));
    EXPECT_TRUE(fs.ErrorText().isEmpty());
    EXPECT_EQ(fs.LastReadFolder(), Native("/data/"));
    EXPECT_EQ(fs.FullPath(), Native("/data/frame1.txt"));
    EXPECT_EQ(fs.Folder(), Native("/data/"));
    EXPECT_EQ(fs.FileName(), QStringLiteral("frame1.txt"));
    EXPECT_EQ(fs.BaseName(), QStringLiteral("frame1"));
    EXPECT_EQ(fs.Extension(), QStringLiteral("txt"));

    // The next read opens where the last one was; writing still starts at home.
    EXPECT_EQ(fs.ChooseFileToRead(), Native("/data/x.txt"));
    EXPECT_EQ(dialogs.opens.back().startFolder, Native("/data/"));
    EXPECT_EQ(fs.ChooseFileToWrite(), Native("/out/result.dat"));
    EXPECT_EQ(dialogs.saves.back().startFolder, Native("/opt/impactframe/"));
    EXPECT_TRUE(dialogs.saves.back().confirmOverwrite);
    EXPECT_EQ(fs.LastWriteFolder(), Native("/out/"));
    EXPECT_EQ(fs.LastReadFolder(), Native("/data/"));
    EXPECT_EQ(fs.Extension(), QStringLiteral("dat"));

    // A proposed name with a folder starts there and is filled in; without a
    // folder the remembered one is used.
    EXPECT_EQ(fs.ChooseFileToWrite(Native("/data2/y.txt"), false), Native("/data2/y.txt"));
    EXPECT_EQ(dialogs.saves.back().startFolder, Native("/data2/"));
    EXPECT_EQ(dialogs.saves.back().proposedName, QStringLiteral("y.txt"));
    EXPECT_FALSE(dialogs.saves.back().confirmOverwrite);
    EXPECT_EQ(fs.ChooseFileToRead(QStringLiteral("z.txt")), QString());
    EXPECT_EQ(dialogs.opens.back().startFolder, Native("/data/"));
    EXPECT_EQ(dialogs.opens.back().proposedName, QStringLiteral("z.txt"));
    // A cancelled write leaves the write folder as it was.
    EXPECT_EQ(fs.LastWriteFolder(), Native("/data2/"));
}

TEST_F(FileServiceTest, DialogsGetFilterIndexAndTitle) {
    dialogs.files = {Native("/a/b.txt"), Native("/a/c.txt"), Native("/a/d")};
    // The program's data files by default, never "*.doc".
    (void)fs.ChooseFileToRead();
    EXPECT_EQ(dialogs.opens.back().filter, QStringLiteral("構造データ (*.txt *.json);;All (*)"));
    EXPECT_EQ(dialogs.opens.back().filterIndex, 0);
    EXPECT_EQ(fs.FilterIndex(), 1);

    fs.SetFilter(QString::fromUtf8(services::kStructureDataFilter));
    fs.SetDialogTitle(QStringLiteral("構造データ読込"));
    fs.SetFilterIndex(2);
    dialogs.filterAnswer = 0;  // the user switches to the first entry
    (void)fs.ChooseFileToRead();
    EXPECT_EQ(dialogs.opens.back().filter, QStringLiteral("構造データ (*.txt *.json);;All (*)"));
    EXPECT_EQ(dialogs.opens.back().filterIndex, 1);
    EXPECT_EQ(dialogs.opens.back().title, QStringLiteral("構造データ読込"));
    EXPECT_EQ(fs.FilterIndex(), 1);

    // A name without extension.
    EXPECT_EQ(fs.ChooseFileToWrite(true), Native("/a/d"));
    EXPECT_EQ(fs.Extension(), QString());
    EXPECT_EQ(fs.BaseName(), QStringLiteral("d"));
}

TEST_F(FileServiceTest, ColourCodeIsRgbValueOrMinusOne) {
    dialogs.colours = {QColor(10, 20, 30), QColor(), QColor(255, 255, 128)};
    EXPECT_EQ(fs.ChooseColor(), 10 + 20 * 256 + 30 * 65536);
    EXPECT_EQ(fs.ChooseColor(), -1);
    EXPECT_FALSE(fs.ErrorText().isEmpty());
    EXPECT_EQ(fs.ChooseColor(), 255 + 255 * 256 + 128 * 65536);
    // Each dialog starts from the colour chosen last, a cancel keeping it.
    ASSERT_EQ(dialogs.colourStarts.size(), 3u);
    EXPECT_EQ(dialogs.colourStarts[1], QColor(10, 20, 30));
    EXPECT_EQ(dialogs.colourStarts[2], QColor(10, 20, 30));
    EXPECT_TRUE(fs.ErrorText().isEmpty());
}

TEST_F(FileServiceTest, FontChoiceCopiesStyleAndColour) {
    QFont font(QStringLiteral("Serif"), 9);
    platform::Color colour = 0;
    EXPECT_EQ(fs.DialogFont().family(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_TRUE(fs.ChooseFont(font, colour));
    EXPECT_TRUE(dialogs.fontEffects);  // colour and effects offered
    EXPECT_EQ(font.family(), QStringLiteral("Noto Sans"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.0);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_TRUE(font.strikeOut());
    EXPECT_EQ(colour, platform::RGB(0, 0, 255));

    QLabel label(QStringLiteral("Fx="));
    EXPECT_TRUE(fs.ChooseFontFor(&label));
    EXPECT_EQ(label.font().family(), QStringLiteral("Noto Sans"));
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));

    dialogs.fontAnswer = false;
    QLabel other(QStringLiteral("Mx="));
    const QFont before = other.font();
    EXPECT_FALSE(fs.ChooseFontFor(&other));
    EXPECT_EQ(other.font(), before);
    EXPECT_FALSE(fs.ErrorText().isEmpty());

    EXPECT_TRUE(fs.ChoosePrinter());
    EXPECT_EQ(dialogs.printerSeen, &fs.Printer());
    dialogs.printerAnswer = false;
    EXPECT_FALSE(fs.ChoosePrinter());
}

class TextFileTest : public FileServiceTest {
  protected:
    QString PathOf(const char* name) { return dir.filePath(QString::fromUtf8(name)); }
    void Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
};

TEST_F(TextFileTest, ReadingJoinsLinesWithLineEnds) {
    const QString three = PathOf("three.txt");
    Write(three, "1行目\r\ntwo\nthree\r\n");
    dialogs.files = {three, QString()};
    QString text, path;
    ASSERT_TRUE(fs.ChooseAndReadText(text, path));
    EXPECT_EQ(path, three);
    EXPECT_EQ(text, QStringLiteral("1行目\r\ntwo\r\nthree"));
    EXPECT_EQ(fs.LastReadFolder(), QDir::toNativeSeparators(dir.path()) + QDir::separator());
    EXPECT_FALSE(fs.ChooseAndReadText(text, path));  // cancelled
    EXPECT_TRUE(path.isEmpty());

    QPlainTextEdit multi;
    ASSERT_TRUE(fs.ReadTextFromFile(three, &multi));
    EXPECT_EQ(multi.toPlainText(), QStringLiteral("1行目\ntwo\nthree"));
    EXPECT_EQ(multi.document()->blockCount(), 3);
    QLineEdit single;
    ASSERT_TRUE(fs.ReadTextFromFile(three, &single));
    EXPECT_EQ(single.text(), QStringLiteral("1行目\r\ntwo\r\nthree"));

    // An empty last line is kept, an empty file gives an empty text.
    Write(three, "a\n\n");
    ASSERT_TRUE(fs.ReadTextFromFile(three, text));
    EXPECT_EQ(text, QStringLiteral("a\r\n"));
    Write(three, "");
    ASSERT_TRUE(fs.ReadTextFromFile(three, text));
    EXPECT_EQ(text, QString());

    // A missing file leaves the box as it was and says why.
    single.setText(QStringLiteral("keep"));
    EXPECT_FALSE(fs.ReadTextFromFile(PathOf("missing.txt"), &single));
    EXPECT_EQ(single.text(), QStringLiteral("keep"));
    EXPECT_FALSE(fs.ErrorText().isEmpty());
}

TEST_F(TextFileTest, WritingEndsWithOneLineEndAndReplacesTheFile) {
    const QString out = PathOf("out.txt");
    Write(out, "old contents that are longer than the new ones\r\n");
    QPlainTextEdit multi;
    multi.setPlainText(QStringLiteral("a\nb"));
    ASSERT_TRUE(fs.SaveTextToFile(out, &multi));
    EXPECT_EQ(Read(out), QByteArray("a\r\nb\r\n"));
    QLineEdit single(QStringLiteral("0.001"));
    ASSERT_TRUE(fs.SaveTextToFile(out, &single));
    EXPECT_EQ(Read(out), QByteArray("0.001\r\n"));

    dialogs.files = {out, QString()};
    QString path;
    ASSERT_TRUE(fs.ChooseAndWriteText(QStringLiteral("x\r\ny"), path));
    EXPECT_EQ(path, out);
    EXPECT_EQ(Read(out), QByteArray("x\r\ny\r\n"));
    EXPECT_FALSE(fs.ChooseAndWriteText(QStringLiteral("never"), path));
    EXPECT_EQ(Read(out), QByteArray("x\r\ny\r\n"));

    // A folder that does not exist: an error with the system's reason, nothing written.
    EXPECT_FALSE(fs.SaveTextToFile(PathOf("no/such/folder/x.txt"), QStringLiteral("x")));
    EXPECT_EQ(fs.ErrorText(), QStringLiteral("フォルダに一時ファイルを作れません（%1）。"
                                             "元のファイルはそのままです。")
                                  .arg(QString::fromLocal8Bit(std::strerror(ENOENT))));
    // Saving goes through the safe writer: it removes what a killed save of the same
    // file left behind.
    Write(PathOf(".out.txt.saving-k1lled00"), "left by a killed save");
    ASSERT_TRUE(fs.SaveTextToFile(out, &single));
    EXPECT_FALSE(QFile::exists(PathOf(".out.txt.saving-k1lled00")));
    // Round trip through the file keeps a multi-line text.
    multi.setPlainText(QStringLiteral("γ×Te\n5\n\nend"));
    ASSERT_TRUE(fs.SaveTextToFile(out, &multi));
    QPlainTextEdit back;
    ASSERT_TRUE(fs.ReadTextFromFile(out, &back));
    EXPECT_EQ(back.toPlainText(), multi.toPlainText());
}

TEST_F(TextFileTest, FolderChooserReturnsTheChosenFolderOrNothing) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("sub/deeper")));
    Write(PathOf("sub/a.txt"), "a");
    Write(PathOf("sub/b.dat"), "b");
    services::FolderChooser& chooser = fs.Chooser();
    fs.SetChooserFolder(dir.path());
    EXPECT_EQ(chooser.Path(), QDir::toNativeSeparators(dir.path()));

    // The chooser is answered before anything is checked, so that it cannot stay open.
    bool visible = false;
    int resultWhileOpen = -2;
    QStringList files;
    QTimer::singleShot(0, [&] {
        visible = chooser.isVisible();
        resultWhileOpen = chooser.ChooserResult();
        // Double click on "sub" in the folder list.
        const auto found = chooser.folderList->findItems(QStringLiteral("sub"), Qt::MatchExactly);
        if (found.size() == 1) emit chooser.folderList->itemActivated(found.front());
        for (int i = 0; i < chooser.fileList->count(); ++i)
            files << chooser.fileList->item(i)->text();
        chooser.okButton->click();
    });
    QWidget owner;
    owner.setGeometry(100, 200, 800, 600);
    owner.show();
    const QString chosen = fs.ChooseFolder(&owner);
    EXPECT_TRUE(visible);
    EXPECT_EQ(resultWhileOpen, 0);
    EXPECT_EQ(files, QStringList({QStringLiteral("a.txt"), QStringLiteral("b.dat")}));
    EXPECT_EQ(chosen, QDir::toNativeSeparators(PathOf("sub")) + QDir::separator());
    EXPECT_EQ(chooser.ChooserResult(), 1);
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_EQ(chooser.x(), owner.frameGeometry().left());

    bool entered = false;
    QTimer::singleShot(0, [&] {
        entered = chooser.EnterFolder(QStringLiteral(".."));
        chooser.cancelButton->click();
    });
    EXPECT_EQ(fs.ChooseFolder(&owner), QString());
    EXPECT_TRUE(entered);
    EXPECT_EQ(chooser.ChooserResult(), -1);

    QTimer::singleShot(0, [&] { chooser.close(); });  // the close box
    EXPECT_EQ(fs.ChooseFolder(nullptr), QString());
    EXPECT_EQ(chooser.ChooserResult(), -1);
    EXPECT_FALSE(chooser.SetPath(PathOf("does-not-exist")));
}

}  // namespace
