#pragma once
// The dialogs of the model's named materials ("材料") and sections ("断面"): a list of
// the names, a name box, the values of the chosen entry, and the commands 追加 (a new
// entry of the name in the box), 変更 (the values to the chosen entry and every element
// that names it), 名前変更, 削除 (refused while an element names it) and 閉じる. Each
// command is one operation of the model, carried out completely or refused with the
// reason, before anything changes. The values' fault is shown while they are typed.
#include <string>
#include <utility>
#include <vector>

#include <QDialog>
#include <QString>

#include "model/model.h"
#include "shell/sheethost.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace shell {

class DampingEditor;
class Document;
class SectionEditor;

class NamedTableDialog : public QDialog {
    Q_OBJECT
  public:
    // Opens modally with entry `name` chosen (the first when it has none) and returns
    // when the dialog is closed.
    void Edit(const std::string& name = {});
    // What `name` is called now, after the renames since the dialog was last opened; ""
    // when that entry was deleted or never was one.
    [[nodiscard]] std::string Follow(std::string name) const;

  protected:
    NamedTableDialog(Document& document, SheetHost host, const QString& what, QWidget* parent);
    // Builds the list, the name box and the buttons around the subclass's editor.
    void BuildControls(QWidget* editor);

    // The table's names; the entry's values into the editor (null: a new entry's).
    [[nodiscard]] virtual std::vector<std::string> Names() const = 0;
    virtual void ShowEntry(const std::string* name) = 0;
    // The editor's values checked; their fault as a message, or "".
    [[nodiscard]] virtual QString CheckValues() const = 0;
    // The editor's values under `name` (fem::Model::PutMaterial, PutSection).
    virtual void PutEntry(const std::string& name) = 0;
    virtual void RenameEntry(const std::string& from, const std::string& to) = 0;
    virtual void DeleteEntry(const std::string& name) = 0;
    // The element that names the entry, -1 when none does.
    [[nodiscard]] virtual int FirstUser(const std::string& name) const = 0;
    // Who uses the entry, so that it cannot be deleted ("" when nothing does); by
    // default the element FirstUser finds.
    [[nodiscard]] virtual QString UserText(const std::string& name) const;
    // How the elements that name `name` can take the editor's values: the first that
    // cannot and why ("" when all can).
    [[nodiscard]] virtual QString RefusingElement(const std::string& name) const = 0;

    Document& document_;
    SheetHost host_;
    QString what_;  // "材料", "断面"

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FillList(const std::string& choose);
    [[nodiscard]] std::string Chosen() const;
    void EntryChosen();
    void Add();
    void Change();
    void Rename();
    void Delete();
    // Runs a model operation; its failure becomes a message. Redraws after a success.
    template <class Operation>
    bool Carry(const QString& refusal, Operation operation);
    // The message of a refusal: "断面「x」を追加できません：" and why.
    void Refuse(const QString& refusal, const QString& why);

    QListWidget* list_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* changeButton_ = nullptr;
    QPushButton* renameButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    std::vector<std::pair<std::string, std::string>> renames_;
    bool filling_ = false;
};

// The named materials: E, G and density, with Poisson's ratio E / (2 G) - 1 shown, and
// the material's own damping.
class MaterialsDialog : public NamedTableDialog {
    Q_OBJECT
  public:
    MaterialsDialog(Document& document, SheetHost host, QWidget* parent = nullptr);

  private:
    [[nodiscard]] std::vector<std::string> Names() const override;
    void ShowEntry(const std::string* name) override;
    [[nodiscard]] QString CheckValues() const override;
    void PutEntry(const std::string& name) override;
    void RenameEntry(const std::string& from, const std::string& to) override;
    void DeleteEntry(const std::string& name) override;
    [[nodiscard]] int FirstUser(const std::string& name) const override;
    [[nodiscard]] QString RefusingElement(const std::string& name) const override;
    // The boxes read; false when one is not a number.
    bool Read(fem::Material& m) const;
    void ShowFault();

    QLineEdit* boxes_[3] = {};  // E, G, density
    // The material's own damping (unchecked: none, the model's applies).
    QGroupBox* dampingGroup_ = nullptr;
    DampingEditor* damping_ = nullptr;
    QLabel* poissonLabel_ = nullptr;
    QLabel* faultLabel_ = nullptr;
    fem::Material shown_;
};

// The named sections: shape, dimensions and properties (SectionEditor); the shear areas
// at the Poisson's ratio of 0.3 (an element's are at its material's).
class SectionsDialog : public NamedTableDialog {
    Q_OBJECT
  public:
    SectionsDialog(Document& document, SheetHost host, QWidget* parent = nullptr);
    [[nodiscard]] SectionEditor* Editor() const { return editor_; }

  private:
    [[nodiscard]] std::vector<std::string> Names() const override;
    void ShowEntry(const std::string* name) override;
    [[nodiscard]] QString CheckValues() const override;
    void PutEntry(const std::string& name) override;
    void RenameEntry(const std::string& from, const std::string& to) override;
    void DeleteEntry(const std::string& name) override;
    [[nodiscard]] int FirstUser(const std::string& name) const override;
    [[nodiscard]] QString RefusingElement(const std::string& name) const override;

    SectionEditor* editor_ = nullptr;
};

}  // namespace shell
