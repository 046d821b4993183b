#pragma once
// The folder chooser of the file service: a drive list, a folder list, the files of
// the chosen folder, OK and "取消". Activating an entry of the folder list (double
// click or Return) enters it; ".." goes up one level.
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace services {

class FolderChooser : public QDialog {
    Q_OBJECT
  public:
    explicit FolderChooser(QWidget* parent = nullptr);

    // 0 while open, 1 after OK, -1 after "取消" or the close box.
    [[nodiscard]] int ChooserResult() const { return chooserResult_; }
    void SetChooserResult(int result) { chooserResult_ = result; }

    // Sets the drive list and the folder list to the path (an existing folder; a file
    // path selects its folder). Returns false and changes nothing for other paths.
    bool SetPath(const QString& path);
    // The folder list's current path, native separators, no trailing separator
    // except for a root.
    [[nodiscard]] QString Path() const;
    // Enters the folder list's entry of that name ("..": the parent folder).
    bool EnterFolder(const QString& entry);

    QComboBox* driveList = nullptr;
    QListWidget* folderList = nullptr;
    QListWidget* fileList = nullptr;
    QLabel* pathLabel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

  signals:
    // OK (1) or cancel (-1) has hidden the chooser.
    void Finished(int result);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void FillLists();
    void Finish(int result);

    QString path_;
    int chooserResult_ = 0;
    bool filling_ = false;
};

}  // namespace services
