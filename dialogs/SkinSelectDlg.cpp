#include "dialogs/SkinSelectDlg.h"

#include "dialogs/DialogCommon.h"
#include "platform/Convert.h"
#include "platform/Paths.h"
#include "skin/SkinFile.h"

#include <QCheckBox>
#include <QCollator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

namespace {

constexpr int kRecordRole = Qt::UserRole;

bool IsCategory(const QModelIndex& index) {
    return index.isValid() && !index.data(kRecordRole).isValid();
}

// A tree whose category nodes never take the selection: clicking one or moving onto it with
// the keyboard moves the focus only, and the selected skin stays selected. Nor can a click or
// key leave it without a skin, which OK would then try to load as an empty path.
class TSkinTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        if (IsCategory(index))
            return QItemSelectionModel::NoUpdate;
        return dialogs::KeepSelected(QTreeWidget::selectionCommand(index, event), index, event);
    }
};

// Visible entries of a folder, sorted by name so that a scan is the same on every run. Hidden
// entries (names starting with ".") are left out.
std::vector<std::filesystem::directory_entry> VisibleEntries(const std::string& folder) {
    std::vector<std::filesystem::directory_entry> entries;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path() < b.path(); });
    return entries;
}

bool HasIniExtension(const std::string& name) {
    return name.size() > 4 && platform::AsciiLower(name.substr(name.size() - 4)) == ".ini";
}

// Lines of a skin's description shown without scrolling.
constexpr int kDescriptionLines = 4;

QLineEdit* MakeInfoField(QWidget* parent, const QString& caption, int y) {
    auto* label = new QLabel(caption, parent);
    label->move(16, y);
    auto* field = new QLineEdit(parent);
    field->setGeometry(16, y + 16, 256, 21);
    field->setReadOnly(true);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    field->setPalette(palette);
    return field;
}

QPixmap DrawClosedFolder() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x9a, 0x74, 0x10));
    p.setBrush(QColor(0xf0, 0xc8, 0x50));
    p.drawRect(1, 2, 6, 2);  // tab
    p.drawRect(1, 4, 13, 9); // body
    p.setPen(QColor(0xfb, 0xe6, 0x9a));
    p.drawLine(2, 5, 13, 5);
    return pixmap;
}

QPixmap DrawOpenFolder() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QColor(0x9a, 0x74, 0x10));
    p.setBrush(QColor(0xd8, 0xa8, 0x30));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));  // tab
    p.drawRect(QRectF(1.5, 4.5, 11, 9)); // back
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4.5, 7.5);
    front.lineTo(15.0, 7.5);
    front.lineTo(12.5, 13.5);
    front.closeSubpath();
    p.setBrush(QColor(0xfb, 0xdc, 0x70));
    p.drawPath(front);
    return pixmap;
}

QPixmap DrawSkinSheet() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPolygon sheet;
    sheet << QPoint(2, 1) << QPoint(10, 1) << QPoint(13, 4) << QPoint(13, 14) << QPoint(2, 14);
    p.setPen(QColor(0x50, 0x60, 0x78));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    // A miniature widget: a sun and a line of text.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf0, 0x90, 0x20));
    p.drawEllipse(4, 6, 4, 4);
    p.setBrush(QColor(0x40, 0x80, 0xd0));
    p.drawRect(4, 11, 7, 1);
    p.drawRect(9, 7, 2, 2);
    return pixmap;
}

} // namespace

TSkinSelectDialog::TSkinSelectDialog(QWidget* owner, const std::string& skinFolder,
                                     GeneralReader reader)
    : TSkinSelectDialog(owner, std::vector<std::string>{skinFolder}, std::move(reader)) {}

TSkinSelectDialog::TSkinSelectDialog(QWidget* owner, const std::vector<std::string>& skinFolders,
                                     GeneralReader reader)
    : QDialog(owner), reader_(reader ? std::move(reader) : ReadGeneralInfo) {
    setWindowTitle(QStringLiteral("デザインの変更"));
    setFixedSize(577, 339);

    GroupBox3 = new QGroupBox(QStringLiteral("スキンの選択"), this);
    GroupBox3->setGeometry(14, 16, 547, 272);
    TreeView1 = new TSkinTree(GroupBox3);
    TreeView1->setGeometry(20, 27, 201, 222);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    GroupBox1 = new QGroupBox(QStringLiteral("情報"), GroupBox3);
    GroupBox1->setGeometry(240, 27, 288, 222);
    Edit2 = MakeInfoField(GroupBox1, QStringLiteral("作者:"), 18);
    Edit3 = MakeInfoField(GroupBox1, QStringLiteral("バージョン:"), 58);
    Edit1 = MakeInfoField(GroupBox1, QStringLiteral("場所:"), 98);
    auto* label5 = new QLabel(QStringLiteral("説明:"), GroupBox1);
    label5->move(16, 138);
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    Memo1->setPalette(palette);
    // Four whole lines of the description at the font in use; the boxes and the buttons below
    // make room for them.
    const int memoHeight = std::max(
        56, Memo1->fontMetrics().lineSpacing() * kDescriptionLines + 2 * Memo1->frameWidth() +
                2 * static_cast<int>(Memo1->document()->documentMargin()) + 2);
    Memo1->setGeometry(16, 154, 256, memoHeight);
    const int grow = memoHeight - 56;
    GroupBox1->resize(GroupBox1->width(), GroupBox1->height() + grow);
    TreeView1->resize(TreeView1->width(), TreeView1->height() + grow);
    GroupBox3->resize(GroupBox3->width(), GroupBox3->height() + grow);
    setFixedSize(577, 339 + grow);

    CheckBox1 = new QCheckBox(QStringLiteral("プレビュー(&P)"), this);
    CheckBox1->move(18, 298 + 9 + grow);
    CheckBox1->setChecked(true);
    Button2 = new QPushButton(QStringLiteral("OK"), this);
    Button2->setGeometry(400, 302 + grow, 75, 25);
    Button2->setDefault(true);
    Button1 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button1->setGeometry(486, 302 + grow, 75, 25);
    Button1->setAutoDefault(false);

    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeView1, &QTreeWidget::itemSelectionChanged, this,
            &TSkinSelectDialog::TreeView1Change);
    connect(CheckBox1, &QCheckBox::clicked, this, &TSkinSelectDialog::CheckBox1Click);

    ScanSkinFolders(skinFolders);
}

TSkinSelectDialog::~TSkinSelectDialog() {
    // The tree outlives the records while the base class destroys the children.
    disconnect(TreeView1, nullptr, this, nullptr);
}

TGeneralInfo TSkinSelectDialog::ReadGeneralInfo(const std::string& path) {
    const TSkinFile file(path);
    TGeneralInfo info;
    file.ReadGeneral("General", info);
    return info;
}

QPixmap TSkinSelectDialog::TreeImage(int index) {
    switch (index) {
    case 0:
        return DrawClosedFolder();
    case 1:
        return DrawOpenFolder();
    default:
        return DrawSkinSheet();
    }
}

TSkinInfo* TSkinSelectDialog::InfoOf(const QTreeWidgetItem* node) const {
    if (node == nullptr)
        return nullptr;
    const QVariant record = node->data(0, kRecordRole);
    if (!record.isValid())
        return nullptr;
    const auto index = record.toULongLong();
    return index < skinInfoList_.size() ? skinInfoList_[index].get() : nullptr;
}

void TSkinSelectDialog::ClearInformation() {
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    Memo1->clear();
}

void TSkinSelectDialog::ScanSkinFolder(const std::string& folder) {
    ScanSkinFolders({folder});
}

void TSkinSelectDialog::ScanSkinFolders(const std::vector<std::string>& folders) {
    {
        const QSignalBlocker blocker(TreeView1);
        TreeView1->clear();
    }
    skinInfoList_.clear();
    ClearInformation();
    Button2->setEnabled(false);
    std::vector<std::string> scanned;
    for (const std::string& folder : folders) {
        const std::string root = platform::IncludeTrailingSeparator(folder);
        if (folder.empty() || std::find(scanned.begin(), scanned.end(), root) != scanned.end())
            continue;
        scanned.push_back(root);
        for (const auto& entry : VisibleEntries(root))
            AddSkinsInFolder(root + entry.path().filename().string());
    }
    SortTree();
    TreeView1->expandAll();
}

void TSkinSelectDialog::AddSkinsInFolder(const std::string& folder) {
    const std::string dir = platform::IncludeTrailingSeparator(folder);
    for (const auto& entry : VisibleEntries(dir)) {
        std::error_code ec;
        if (!entry.is_regular_file(ec))
            continue;
        const std::string name = entry.path().filename().string();
        if (!HasIniExtension(name))
            continue;
        const std::string path = dir + name;
        if (!platform::FileExists(path))
            continue;
        const TGeneralInfo general = reader_(path);

        auto info = std::make_unique<TSkinInfo>();
        info->FilePath = path;
        info->Author = general.Author;
        info->Description = general.Description;
        info->Version = general.Version;
        const auto record = static_cast<qulonglong>(skinInfoList_.size());
        skinInfoList_.push_back(std::move(info));

        const QString category = general.CategoryName.empty() ? QStringLiteral("名前なし")
                                                              : dialogs::ToQt(general.CategoryName);
        const QString skin = dialogs::ToQt(general.SkinName.empty() ? name : general.SkinName);

        QTreeWidgetItem* categoryNode = nullptr;
        for (int i = 0; i < TreeView1->topLevelItemCount() && categoryNode == nullptr; ++i) {
            if (TreeView1->topLevelItem(i)->text(0) == category)
                categoryNode = TreeView1->topLevelItem(i);
        }
        if (categoryNode == nullptr) {
            categoryNode = new QTreeWidgetItem(TreeView1, QStringList(category));
            QIcon icon(TreeImage(0));
            icon.addPixmap(TreeImage(1), QIcon::Selected);
            categoryNode->setIcon(0, icon);
        }
        auto* skinNode = new QTreeWidgetItem(categoryNode, QStringList(skin));
        skinNode->setIcon(0, QIcon(TreeImage(2)));
        skinNode->setData(0, kRecordRole, record);
    }
}

void TSkinSelectDialog::SortTree() {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    const auto before = [&collator](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return collator.compare(a->text(0), b->text(0)) < 0;
    };
    const QSignalBlocker blocker(TreeView1);
    QList<QTreeWidgetItem*> categories;
    while (TreeView1->topLevelItemCount() > 0)
        categories.append(TreeView1->takeTopLevelItem(0));
    std::stable_sort(categories.begin(), categories.end(), before);
    for (QTreeWidgetItem* category : categories) {
        QList<QTreeWidgetItem*> skins = category->takeChildren();
        std::stable_sort(skins.begin(), skins.end(), before);
        category->addChildren(skins);
    }
    TreeView1->addTopLevelItems(categories);
}

QTreeWidgetItem* TSkinSelectDialog::FindSkinNode(QTreeWidgetItem* node,
                                                 const std::string& fileName) const {
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        const TSkinInfo* info = InfoOf(child);
        if (info != nullptr && platform::SameTextAscii(info->FilePath, fileName))
            return child;
        if (QTreeWidgetItem* hit = FindSkinNode(child, fileName))
            return hit;
    }
    return nullptr;
}

void TSkinSelectDialog::SelectSkinFile(const std::string& fileName) {
    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i) {
        if (QTreeWidgetItem* hit = FindSkinNode(TreeView1->topLevelItem(i), fileName)) {
            TreeView1->setCurrentItem(hit);
            TreeView1->scrollToItem(hit);
            return;
        }
    }
}

std::string TSkinSelectDialog::GetSelectedSkinFile() const {
    const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
    const TSkinInfo* info = selected.isEmpty() ? nullptr : InfoOf(selected.first());
    return info ? info->FilePath : std::string();
}

void TSkinSelectDialog::TreeView1Change() {
    ClearInformation();
    const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
    const TSkinInfo* info = selected.isEmpty() ? nullptr : InfoOf(selected.first());
    // Nothing to keep without a skin (the loaded one may not be listed): only Cancel then.
    Button2->setEnabled(info != nullptr);
    if (info == nullptr)
        return;
    Edit2->setText(dialogs::ToQt(info->Author));
    Edit1->setText(dialogs::ToQt(info->FilePath));
    Edit1->setCursorPosition(0);
    Edit3->setText(dialogs::ToQt(info->Version));
    Memo1->setPlainText(dialogs::ToQt(info->Description));
    if (CheckBox1->isChecked() && OnPreview) {
        // The callback may load a skin; copy the path out of the record first.
        const std::string path = info->FilePath;
        OnPreview(path);
    }
}

void TSkinSelectDialog::CheckBox1Click(bool checked) {
    if (checked)
        TreeView1Change();
}

bool TSkinSelectDialog::Execute() {
    dialogs::CenterOnScreen(this);
    return exec() == QDialog::Accepted;
}
