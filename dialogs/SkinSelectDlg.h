#pragma once

#include "skin/SkinTypes.h"

#include <QDialog>
#include <QPixmap>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// One listed skin. Category and skin names live only in the tree.
struct TSkinInfo {
    std::string FilePath; // scanned folder + "/" + file name
    std::string Author;
    std::string Description;
    std::string Version;
};

// The skin selection dialog: every ".ini" file one folder level below the skin folder, in a
// tree of categories and skins sorted by text, with the selected skin's information and an
// optional live preview through OnPreview. It changes nothing itself; the caller reads
// GetSelectedSkinFile() after OK and restores its skin after any other close.
class TSkinSelectDialog : public QDialog {
    Q_OBJECT

public:
    // Reads the [General] section of a skin file. May throw; the scan then ends with it.
    using GeneralReader = std::function<TGeneralInfo(const std::string& path)>;

    // Scans `skinFolder` before returning, so the tree is complete before the dialog shows.
    // An error while reading a skin file propagates out of the constructor.
    TSkinSelectDialog(QWidget* owner, const std::string& skinFolder,
                      GeneralReader reader = nullptr);
    // The same over several skin folders (the shipped skins and the user's own), listed in one
    // tree: a category found in two folders is one node.
    TSkinSelectDialog(QWidget* owner, const std::vector<std::string>& skinFolders,
                      GeneralReader reader = nullptr);
    ~TSkinSelectDialog() override;

    void ScanSkinFolder(const std::string& folder);
    // Each folder once, in order; a folder that does not exist adds nothing.
    void ScanSkinFolders(const std::vector<std::string>& folders);
    void AddSkinsInFolder(const std::string& folder);
    // Selects the skin whose file path equals `fileName` ignoring ASCII letter case; nothing
    // is selected when none does.
    void SelectSkinFile(const std::string& fileName);
    QTreeWidgetItem* FindSkinNode(QTreeWidgetItem* node, const std::string& fileName) const;
    // The file path of the selected skin; empty when no skin is selected.
    std::string GetSelectedSkinFile() const;
    // Shows the dialog modally; true when it was closed with OK.
    bool Execute();

    // Called with a skin's file path whenever a skin is selected while the preview box is
    // ticked; empty: no preview.
    std::function<void(const std::string&)> OnPreview;

    // The records in the order they were found.
    const std::vector<std::unique_ptr<TSkinInfo>>& SkinInfoList() const { return skinInfoList_; }

    // The tree's images: 0 closed folder, 1 open folder, 2 skin sheet (16 x 16).
    static QPixmap TreeImage(int index);

    // The reader used when none is given: the skin file's [General] section.
    static TGeneralInfo ReadGeneralInfo(const std::string& path);

    QGroupBox* GroupBox3;
    QTreeWidget* TreeView1;
    QGroupBox* GroupBox1;
    QLineEdit* Edit2;      // author
    QLineEdit* Edit3;      // version
    QLineEdit* Edit1;      // location
    QPlainTextEdit* Memo1; // description
    QCheckBox* CheckBox1;  // preview
    QPushButton* Button2;  // OK
    QPushButton* Button1;  // キャンセル

private:
    // The record a node refers to, or nullptr for a category node.
    TSkinInfo* InfoOf(const QTreeWidgetItem* node) const;
    void TreeView1Change();
    void CheckBox1Click(bool checked);
    void ClearInformation();
    void SortTree();

    GeneralReader reader_;
    std::vector<std::unique_ptr<TSkinInfo>> skinInfoList_;
};
