#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

// The location dialog: three cascading lists of the first-, second- and third-level names of
// the location list. It reads the list through the two accessors it is given and changes
// nothing itself; the caller takes GetSelectedLocation() after Execute() returns true.
//
// An empty location list opens with empty lists, OK disabled and a line saying so.
class TLocationSettingDialog : public QDialog {
    Q_OBJECT

public:
    // Number of entries, and field `field` (0-6) of entry `index` (0..count-1).
    using CountFunc = std::function<int()>;
    using FieldFunc = std::function<std::string(int index, int field)>;

    TLocationSettingDialog(QWidget* owner, CountFunc count, FieldFunc field);
    ~TLocationSettingDialog() override;

    // Preselects the three lists on entry `index`, clamped to the list.
    void SelectLocation(int index);
    // Shows the dialog modally; true when it was closed with OK.
    bool Execute();
    // The entry index of the selected item of the third list, or -1 without one.
    int GetSelectedLocation() const;

    // The cascades that a user's change of the first or second list runs.
    void ListBox1Click();
    void ListBox2Click();

    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QListWidget* ListBox3;
    QPushButton* Button1; // OK
    QPushButton* Button2; // キャンセル
    QLabel* EmptyLabel;   // shown only for an empty location list

private:
    void FormCreate();
    int Count() const;
    std::string Field(int index, int field) const;
    // Selects a row from the code without running the cascades.
    void SetRow(QListWidget* list, int row);

    CountFunc count_;
    FieldFunc field_;
    bool settingFromCode_ = false;
};
