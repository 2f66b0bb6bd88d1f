#include "dialogs/LocationSettingDlg.h"

#include "dialogs/DialogCommon.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// Position of the item whose text equals `text` ignoring letter case, or -1.
int IndexOfText(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// A list that a click beside its items or a Ctrl+click cannot leave without a selected item:
// the highlighted name is always the one the cascade and OK go by.
class TNameList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        return dialogs::KeepSelected(QListWidget::selectionCommand(index, event), index, event);
    }
};

QListWidget* MakeList(QWidget* parent, int x) {
    auto* list = new TNameList(parent);
    list->setGeometry(x, 16, 137, 185);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

} // namespace

TLocationSettingDialog::TLocationSettingDialog(QWidget* owner, CountFunc count, FieldFunc field)
    : QDialog(owner), count_(std::move(count)), field_(std::move(field)) {
    setWindowTitle(QStringLiteral("地域の設定"));
    setFixedSize(455, 255);
    ListBox1 = MakeList(this, 16);
    ListBox2 = MakeList(this, 160);
    ListBox3 = MakeList(this, 304);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(288, 216, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setGeometry(368, 216, 75, 25);
    EmptyLabel = new QLabel(QStringLiteral("urls.list に地域が登録されていません。"), this);
    EmptyLabel->setGeometry(16, 216, 264, 25);
    EmptyLabel->hide();

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // OK stores the selected place, so it waits for one: an entry named only in another letter
    // case can leave the third list empty.
    const auto updateOk = [this] { Button1->setEnabled(!ListBox3->selectedItems().isEmpty()); };
    connect(ListBox3, &QListWidget::itemSelectionChanged, this, updateOk);
    connect(ListBox3, &QListWidget::currentRowChanged, this, updateOk); // also when emptied
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
        if (!settingFromCode_)
            ListBox1Click();
    });
    connect(ListBox2, &QListWidget::currentRowChanged, this, [this] {
        if (!settingFromCode_)
            ListBox2Click();
    });
    FormCreate();
}

TLocationSettingDialog::~TLocationSettingDialog() {
    // The lists outlive the accessors while the base class destroys the children.
    disconnect(ListBox1, nullptr, this, nullptr);
    disconnect(ListBox2, nullptr, this, nullptr);
    disconnect(ListBox3, nullptr, this, nullptr);
}

int TLocationSettingDialog::Count() const {
    return count_ ? count_() : 0;
}

std::string TLocationSettingDialog::Field(int index, int field) const {
    return field_(index, field);
}

void TLocationSettingDialog::SetRow(QListWidget* list, int row) {
    const bool saved = settingFromCode_;
    settingFromCode_ = true;
    list->setCurrentRow(row);
    settingFromCode_ = saved;
}

void TLocationSettingDialog::FormCreate() {
    ListBox1->clear();
    ListBox2->clear();
    ListBox3->clear();
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        const QString name = dialogs::ToQt(Field(i, 0));
        if (IndexOfText(ListBox1, name) < 0)
            ListBox1->addItem(name);
    }
    Button1->setEnabled(false);
    if (count == 0) {
        // Nothing to choose: say why instead of failing on an entry that does not exist.
        Button2->setDefault(true);
        EmptyLabel->show();
        return;
    }
    SelectLocation(0);
}

void TLocationSettingDialog::ListBox1Click() {
    ListBox2->clear();
    if (ListBox1->currentRow() < 0)
        return;
    const std::string n1 = dialogs::FromQt(ListBox1->currentItem()->text());
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        if (Field(i, 0) != n1)
            continue;
        const QString name = dialogs::ToQt(Field(i, 1));
        if (IndexOfText(ListBox2, name) < 0)
            ListBox2->addItem(name);
    }
    SetRow(ListBox2, 0);
    ListBox2Click();
}

void TLocationSettingDialog::ListBox2Click() {
    ListBox3->clear();
    if (ListBox1->currentRow() < 0 || ListBox2->currentRow() < 0)
        return;
    const std::string n1 = dialogs::FromQt(ListBox1->currentItem()->text());
    const std::string n2 = dialogs::FromQt(ListBox2->currentItem()->text());
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        if (Field(i, 0) != n1 || Field(i, 1) != n2)
            continue;
        const QString name = dialogs::ToQt(Field(i, 2));
        if (IndexOfText(ListBox3, name) >= 0)
            continue;
        auto* item = new QListWidgetItem(name, ListBox3);
        item->setData(Qt::UserRole, i);
    }
    SetRow(ListBox3, 0);
}

void TLocationSettingDialog::SelectLocation(int index) {
    const int count = Count();
    if (count == 0)
        return;
    if (index > count - 1)
        index = count - 1;
    if (index < 0)
        index = 0;
    const QString f0 = dialogs::ToQt(Field(index, 0));
    const QString f1 = dialogs::ToQt(Field(index, 1));
    const QString f2 = dialogs::ToQt(Field(index, 2));
    SetRow(ListBox1, IndexOfText(ListBox1, f0));
    ListBox1Click();
    SetRow(ListBox2, IndexOfText(ListBox2, f1));
    ListBox2Click();
    SetRow(ListBox3, IndexOfText(ListBox3, f2));
}

bool TLocationSettingDialog::Execute() {
    dialogs::CenterOnScreen(this);
    return exec() == QDialog::Accepted;
}

int TLocationSettingDialog::GetSelectedLocation() const {
    // The selected item, not the one with the focus frame: they can differ.
    const QList<QListWidgetItem*> selected = ListBox3->selectedItems();
    if (selected.isEmpty())
        return -1;
    return selected.first()->data(Qt::UserRole).toInt();
}
