#include "dialogs/LocationSettingDlg.h"

#include "dialogs/DialogCommon.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Results shown at most: more is scrolling, not finding.
constexpr std::size_t kMaxResults = 100;
// The look-up is asked after this pause in typing, not at every key.
constexpr int kGeocodeDelayMs = 500;

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

constexpr int kListsTop = 205;

QListWidget* MakeList(QWidget* parent, int x) {
    auto* list = new TNameList(parent);
    list->setGeometry(x, kListsTop, 137, 185);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

TLocationSettingDialog::TLocationSettingDialog(QWidget* owner, CountFunc count, FieldFunc field,
                                               TLocationSources sources)
    : QDialog(owner), count_(std::move(count)), field_(std::move(field)),
      sources_(std::move(sources)) {
    setWindowTitle(QStringLiteral("地域の設定"));
    setFixedSize(455, 440);
    SearchEdit = new QLineEdit(this);
    SearchEdit->setGeometry(16, 16, 423, 25);
    SearchEdit->setPlaceholderText(
        sources_.Kind == TPlaceKind::World
            ? QStringLiteral("地名・よみ・ローマ字で検索（世界の地名も）")
            : QStringLiteral("市区町村名・よみ・ローマ字で検索"));
    SearchEdit->setClearButtonEnabled(true);
    Results = new QTreeWidget(this);
    Results->setGeometry(16, 47, 423, 130);
    Results->setColumnCount(3);
    Results->setHeaderLabels({QStringLiteral("地名"),
                              sources_.Kind == TPlaceKind::World ? QStringLiteral("都道府県・国")
                                                                 : QStringLiteral("都道府県"),
                              QStringLiteral("地域")});
    Results->setRootIsDecorated(false);
    Results->setUniformRowHeights(true);
    Results->setSelectionMode(QAbstractItemView::SingleSelection);
    Results->header()->resizeSection(0, 170);
    Results->header()->resizeSection(1, 110);
    StatusLabel = new QLabel(this);
    StatusLabel->setGeometry(16, 181, 423, 20);
    ListBox1 = MakeList(this, 16);
    ListBox2 = MakeList(this, 160);
    ListBox3 = MakeList(this, 304);
    ChosenLabel = new QLabel(this);
    ChosenLabel->setGeometry(16, 402, 264, 25);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(288, 402, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setGeometry(368, 402, 75, 25);
    EmptyLabel = new QLabel(QStringLiteral("urls.list に地域が登録されていません。"), this);
    EmptyLabel->setGeometry(16, 402, 264, 25);
    EmptyLabel->hide();
    geocodeTimer_ = new QTimer(this);
    geocodeTimer_->setSingleShot(true);
    geocodeTimer_->setInterval(kGeocodeDelayMs);
    setTabOrder(SearchEdit, Results);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // An entry named only in another letter case can leave the third list empty, and a click
    // there can then choose nothing.
    const auto thirdListChanged = [this] {
        if (!settingFromCode_ && !preselecting_)
            Choose(ChoiceOfThirdList());
    };
    connect(ListBox3, &QListWidget::itemSelectionChanged, this, thirdListChanged);
    connect(ListBox3, &QListWidget::currentRowChanged, this, thirdListChanged);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
        if (!settingFromCode_)
            ListBox1Click();
    });
    connect(ListBox2, &QListWidget::currentRowChanged, this, [this] {
        if (!settingFromCode_)
            ListBox2Click();
    });
    connect(SearchEdit, &QLineEdit::textChanged, this, [this] { Search(); });
    connect(Results, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ChooseResult(Results->indexOfTopLevelItem(item)); });
    connect(geocodeTimer_, &QTimer::timeout, this, [this] { Geocode(); });
    SearchEdit->installEventFilter(this);
    Results->installEventFilter(this);
    FormCreate();
}

TLocationSettingDialog::~TLocationSettingDialog() {
    *alive_ = false;
    // The lists outlive the accessors while the base class destroys the children.
    disconnect(ListBox1, nullptr, this, nullptr);
    disconnect(ListBox2, nullptr, this, nullptr);
    disconnect(ListBox3, nullptr, this, nullptr);
    disconnect(SearchEdit, nullptr, this, nullptr);
    disconnect(Results, nullptr, this, nullptr);
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

void TLocationSettingDialog::ClearList(QListWidget* list) {
    const bool saved = settingFromCode_;
    settingFromCode_ = true;
    list->clear();
    settingFromCode_ = saved;
}

void TLocationSettingDialog::BuildPlaces() {
    const int count = Count();
    std::vector<TLocationNames> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.push_back({Field(i, 0), Field(i, 1), Field(i, 2)});

    // The places to search: the table's municipalities lend the list's entries their readings;
    // the page services can serve the entries only.
    std::vector<TSearchPlace> places = JmaSearchPlaces(sources_.Municipalities);
    AddListEntries(places, entries);
    if (sources_.Kind == TPlaceKind::List)
        std::erase_if(places, [](const TSearchPlace& p) { return p.ListIndex < 0; });
    search_ = std::make_unique<TPlaceSearch>(std::move(places));

    rows_.clear();
    if (sources_.Kind == TPlaceKind::List || sources_.Municipalities.empty()) {
        for (int i = 0; i < count; ++i) {
            TRow row{{entries[static_cast<std::size_t>(i)].Region,
                      entries[static_cast<std::size_t>(i)].Prefecture,
                      entries[static_cast<std::size_t>(i)].Name},
                     {}};
            row.Choice.ListIndex = i;
            rows_.push_back(std::move(row));
        }
        return;
    }
    // Prefecture, area, municipality, each in the agency's code order (north to south); a
    // municipality that is a list entry chooses the entry. The search's first places are the
    // municipalities, in the table's order.
    const std::vector<TJmaMunicipality>& table = sources_.Municipalities;
    std::vector<std::size_t> order(table.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const auto key = [&table](std::size_t i) {
        return std::pair(std::string_view(table[i].Code).substr(0, 2),
                         std::string_view(table[i].Class10));
    };
    std::stable_sort(order.begin(), order.end(),
                     [&key](std::size_t a, std::size_t b) { return key(a) < key(b); });
    for (const std::size_t i : order) {
        const TSearchPlace& place = search_->Places()[i];
        rows_.push_back({{place.Prefecture, place.Region, place.Name}, ChoiceOfPlace(place)});
    }
}

TLocationChoice TLocationSettingDialog::ChoiceOfPlace(const TSearchPlace& place) const {
    TLocationChoice choice;
    if (place.ListIndex >= 0)
        choice.ListIndex = place.ListIndex;
    else
        choice.Own = TOwnPlace{place.Prefecture, place.Name, place.Code, "", std::nullopt};
    return choice;
}

void TLocationSettingDialog::FormCreate() {
    BuildPlaces();
    FillFirstList();
    if (sources_.Kind == TPlaceKind::Agency && sources_.Municipalities.empty() &&
        sources_.FetchMunicipalities) {
        StatusLabel->setText(QStringLiteral("気象庁の地域表を取得しています…"));
        std::weak_ptr<bool> alive = alive_;
        sources_.FetchMunicipalities([this, alive](std::vector<TJmaMunicipality> table) {
            if (!alive.expired())
                TakeMunicipalities(std::move(table));
        });
    }
    if (rows_.empty() && search_->Places().empty()) {
        // Nothing to choose: say why instead of failing on an entry that does not exist.
        Button2->setDefault(true);
        EmptyLabel->show();
    }
    ShowChoice();
    if (Count() > 0)
        SelectLocation(0);
}

void TLocationSettingDialog::FillFirstList() {
    ClearList(ListBox1);
    ClearList(ListBox2);
    ClearList(ListBox3);
    for (const TRow& row : rows_) {
        const QString name = dialogs::ToQt(row.Names[0]);
        if (IndexOfText(ListBox1, name) < 0)
            ListBox1->addItem(name);
    }
}

void TLocationSettingDialog::TakeMunicipalities(std::vector<TJmaMunicipality> municipalities) {
    if (municipalities.empty()) {
        StatusLabel->setText(QStringLiteral(
            "気象庁の地域表を取得できません (オフライン)。一覧の地域から選べます。"));
        return;
    }
    StatusLabel->clear();
    sources_.Municipalities = std::move(municipalities);
    BuildPlaces();
    FillFirstList();
    EmptyLabel->hide();
    PreselectChoice();
    Search();
}

void TLocationSettingDialog::ListBox1Click() {
    ClearList(ListBox2);
    if (ListBox1->currentRow() >= 0) {
        const std::string n1 = dialogs::FromQt(ListBox1->currentItem()->text());
        for (const TRow& row : rows_) {
            if (row.Names[0] != n1)
                continue;
            const QString name = dialogs::ToQt(row.Names[1]);
            if (IndexOfText(ListBox2, name) < 0)
                ListBox2->addItem(name);
        }
        SetRow(ListBox2, 0);
    }
    // Without a first-level name the third list keeps its items.
    if (ListBox1->currentRow() >= 0)
        ListBox2Click();
}

void TLocationSettingDialog::ListBox2Click() {
    ClearList(ListBox3);
    if (ListBox1->currentRow() >= 0 && ListBox2->currentRow() >= 0) {
        const std::string n1 = dialogs::FromQt(ListBox1->currentItem()->text());
        const std::string n2 = dialogs::FromQt(ListBox2->currentItem()->text());
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const TRow& row = rows_[i];
            if (row.Names[0] != n1 || row.Names[1] != n2)
                continue;
            const QString name = dialogs::ToQt(row.Names[2]);
            if (IndexOfText(ListBox3, name) >= 0)
                continue;
            auto* item = new QListWidgetItem(name, ListBox3);
            item->setData(Qt::UserRole, static_cast<int>(i));
        }
        SetRow(ListBox3, 0);
    }
    if (!preselecting_)
        Choose(ChoiceOfThirdList());
}

TLocationChoice TLocationSettingDialog::ChoiceOfThirdList() const {
    // The selected item, not the one with the focus frame: they can differ.
    const QList<QListWidgetItem*> selected = ListBox3->selectedItems();
    if (selected.isEmpty())
        return {};
    const int row = selected.first()->data(Qt::UserRole).toInt();
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size()
               ? rows_[static_cast<std::size_t>(row)].Choice
               : TLocationChoice();
}

void TLocationSettingDialog::PreselectNames(const std::array<std::string, 3>& names) {
    const bool saved = preselecting_;
    preselecting_ = true;
    SetRow(ListBox1, IndexOfText(ListBox1, dialogs::ToQt(names[0])));
    ListBox1Click();
    SetRow(ListBox2, IndexOfText(ListBox2, dialogs::ToQt(names[1])));
    ListBox2Click();
    SetRow(ListBox3, IndexOfText(ListBox3, dialogs::ToQt(names[2])));
    preselecting_ = saved;
}

void TLocationSettingDialog::PreselectChoice() {
    if (!chosen_.Chosen())
        return;
    const auto same = [this](const TRow& row) { return row.Choice == chosen_; };
    if (const auto row = std::find_if(rows_.begin(), rows_.end(), same); row != rows_.end()) {
        PreselectNames(row->Names);
        return;
    }
    // A list entry the agency's lists hold only in halves (仙台市: 仙台市東部, 仙台市西部), or a
    // place they do not hold: its prefecture at least.
    std::string prefecture;
    std::string name;
    if (chosen_.ListIndex >= 0 && chosen_.ListIndex < Count()) {
        prefecture = Field(chosen_.ListIndex, 1);
        name = Field(chosen_.ListIndex, 2);
    } else if (chosen_.Own) {
        prefecture = chosen_.Own->Prefecture;
        name = chosen_.Own->Municipality;
    }
    for (const TRow& row : rows_)
        if (row.Names[0] == prefecture && row.Names[2].starts_with(name)) {
            PreselectNames(row.Names);
            return;
        }
    PreselectNames({prefecture, "", ""});
}

void TLocationSettingDialog::SelectLocation(int index) {
    const int count = Count();
    if (count == 0)
        return;
    if (index > count - 1)
        index = count - 1;
    if (index < 0)
        index = 0;
    TLocationChoice choice;
    choice.ListIndex = index;
    chosen_ = choice;
    if (sources_.Kind == TPlaceKind::List || sources_.Municipalities.empty()) {
        // By the entry's names: of several entries with the same names the first is shown.
        PreselectNames({Field(index, 0), Field(index, 1), Field(index, 2)});
        chosen_ = ChoiceOfThirdList();
    } else {
        PreselectChoice();
    }
    ShowChoice();
}

void TLocationSettingDialog::SelectOwnPlace(const TOwnPlace& place) {
    chosen_ = {};
    chosen_.Own = place;
    PreselectChoice();
    ShowChoice();
}

void TLocationSettingDialog::Choose(const TLocationChoice& choice) {
    chosen_ = choice;
    ShowChoice();
}

void TLocationSettingDialog::ShowChoice() {
    Button1->setEnabled(chosen_.Chosen());
    QString text;
    if (chosen_.ListIndex >= 0 && chosen_.ListIndex < Count()) {
        text =
            dialogs::ToQt(Field(chosen_.ListIndex, 2) + " (" + Field(chosen_.ListIndex, 1) + ")");
    } else if (chosen_.Own) {
        const TOwnPlace& own = *chosen_.Own;
        std::string where = own.Country.empty()      ? own.Prefecture
                            : own.Prefecture.empty() ? own.Country
                                                     : own.Country + " " + own.Prefecture;
        text = dialogs::ToQt(own.Municipality + (where.empty() ? "" : " (" + where + ")"));
    }
    ChosenLabel->setText(text.isEmpty() ? QString() : QStringLiteral("選択: ") + text);
}

void TLocationSettingDialog::Search() {
    geocodeTimer_->stop();
    Results->clear();
    results_.clear();
    const std::string text = dialogs::FromQt(SearchEdit->text());
    if (StatusLabel->text().startsWith(QStringLiteral("見つかりません")) ||
        StatusLabel->text().startsWith(QStringLiteral("検索")))
        StatusLabel->clear();
    if (text.find_first_not_of(" \t") == std::string::npos)
        return;
    for (const std::size_t i : search_->Find(text, kMaxResults)) {
        const TSearchPlace& place = search_->Places()[i];
        auto* item = new QTreeWidgetItem(Results, {dialogs::ToQt(place.Name),
                                                   dialogs::ToQt(place.Prefecture),
                                                   dialogs::ToQt(place.Region)});
        item->setToolTip(0, dialogs::ToQt(place.Reading));
        results_.push_back(ChoiceOfPlace(place));
    }
    if (!results_.empty()) {
        Results->setCurrentItem(Results->topLevelItem(0));
        return;
    }
    if (sources_.Kind == TPlaceKind::World && sources_.Geocode) {
        StatusLabel->setText(QStringLiteral("検索します…"));
        geocodeTimer_->start();
    } else {
        StatusLabel->setText(QStringLiteral("見つかりません"));
    }
}

void TLocationSettingDialog::Geocode() {
    const std::string text = dialogs::FromQt(SearchEdit->text());
    StatusLabel->setText(QStringLiteral("検索しています…"));
    std::weak_ptr<bool> alive = alive_;
    sources_.Geocode(text, [this, alive, text](std::optional<std::vector<TGeocodedPlace>> found) {
        // A later text has its own look-up.
        if (alive.expired() || dialogs::FromQt(SearchEdit->text()) != text || !results_.empty())
            return;
        if (!found) {
            StatusLabel->setText(
                QStringLiteral("検索できません (オフライン)。一覧の地域から選べます。"));
            return;
        }
        StatusLabel->setText(found->empty() ? QStringLiteral("見つかりません") : QString());
        for (const TGeocodedPlace& place : *found) {
            new QTreeWidgetItem(Results, {dialogs::ToQt(place.Name), dialogs::ToQt(place.Country),
                                          dialogs::ToQt(place.Admin1)});
            TLocationChoice choice;
            choice.Own = TOwnPlace{place.Admin1, place.Name, "", place.Country, place.Coordinates};
            results_.push_back(std::move(choice));
        }
        if (!results_.empty())
            Results->setCurrentItem(Results->topLevelItem(0));
    });
}

void TLocationSettingDialog::ChooseResult(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= results_.size())
        return;
    Choose(results_[static_cast<std::size_t>(row)]);
    PreselectChoice();
}

bool TLocationSettingDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == SearchEdit) {
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The results move while the typing goes on.
            QKeyEvent copy(QEvent::KeyPress, key->key(), Qt::NoModifier);
            QApplication::sendEvent(Results, &copy);
            return true;
        }
        case Qt::Key_Escape:
            if (SearchEdit->text().isEmpty())
                break; // the dialog closes
            SearchEdit->clear();
            return true;
        default:
            break;
        }
    }
    if ((watched == SearchEdit || watched == Results) && IsEnter(key)) {
        // With nothing typed Enter is the dialog's OK; with a text it chooses a result.
        if (watched == SearchEdit && SearchEdit->text().trimmed().isEmpty())
            return false;
        QTreeWidgetItem* current = Results->currentItem();
        if (current != nullptr) {
            ChooseResult(Results->indexOfTopLevelItem(current));
            Button1->setFocus(); // a second Enter confirms
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TLocationSettingDialog::Execute() {
    dialogs::CenterOnScreen(this);
    SearchEdit->setFocus();
    return exec() == QDialog::Accepted;
}

int TLocationSettingDialog::GetSelectedLocation() const {
    return chosen_.ListIndex;
}
