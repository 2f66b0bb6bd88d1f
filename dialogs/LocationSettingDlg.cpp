#include "dialogs/LocationSettingDlg.h"

#include "dialogs/DialogCommon.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

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
// Near misses offered when nothing matches.
constexpr std::size_t kMaxSuggestions = 5;
// As many places as this are indexed at once; more, or a table still to be read, on a worker.
constexpr std::size_t kIndexAtOnce = 10000;
// How long the dialog waits for a worker before it opens without its lists: a normal table is
// read and indexed in far less.
constexpr std::chrono::milliseconds kWaitForIndex{300};

QString Folded(const QString& text) {
    return text.toCaseFolded();
}

TLocationChoice ChoiceOfPlace(const TSearchPlace& place) {
    TLocationChoice choice;
    if (place.ListIndex >= 0)
        choice.ListIndex = place.ListIndex;
    else
        choice.Own = TOwnPlace{place.Prefecture, place.Name, place.Code, "", std::nullopt};
    return choice;
}

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

struct TLocationSettingDialog::TIndex {
    // One line of the browsing lists.
    struct TRow {
        std::array<std::string, 3> Names;
        TLocationChoice Choice;
    };
    std::vector<TJmaMunicipality> Municipalities; // the table the places came from
    std::unique_ptr<TPlaceSearch> Search;
    std::vector<TRow> Rows;
    // The first list: its names (each once, whatever the letter case) and, by the folded name,
    // their rows; the rows of each first name and of each pair of names, in order.
    QStringList FirstNames;
    std::unordered_map<QString, int> FirstRows;
    std::unordered_map<std::string, std::vector<std::size_t>> ByFirst;
    std::unordered_map<std::string, std::vector<std::size_t>> ByPair;
    std::string Error; // why the list could not be read, from a worker
};

struct TLocationSettingDialog::TBuild {
    std::mutex Mutex;
    std::condition_variable Done;
    std::optional<TIndex> Result;
    bool ReadCache = false;
    std::atomic<bool> Cancelled{false};
};

TLocationSettingDialog::TIndex
TLocationSettingDialog::BuildIndex(TPlaceKind kind, const CountFunc& count, const FieldFunc& field,
                                   std::vector<TJmaMunicipality> municipalities,
                                   const std::string& cacheFolder,
                                   const std::atomic<bool>* cancelled) {
    TIndex index;
    if (municipalities.empty() && !cacheFolder.empty())
        municipalities = CachedJmaMunicipalities(cacheFolder);
    const int entryCount = count ? count() : 0;
    std::vector<TLocationNames> entries;
    entries.reserve(static_cast<std::size_t>(std::max(entryCount, 0)));
    for (int i = 0; i < entryCount; ++i) {
        if (cancelled != nullptr && *cancelled)
            return index;
        entries.push_back({field(i, 0), field(i, 1), field(i, 2)});
    }

    // The places to search: the table's municipalities lend the list's entries their readings;
    // the page services can serve the entries only.
    std::vector<TSearchPlace> places = JmaSearchPlaces(municipalities);
    AddListEntries(places, entries);
    if (kind == TPlaceKind::List)
        std::erase_if(places, [](const TSearchPlace& p) { return p.ListIndex < 0; });
    index.Search = std::make_unique<TPlaceSearch>(std::move(places));

    if (kind == TPlaceKind::List || municipalities.empty()) {
        index.Rows.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            TIndex::TRow row{{std::move(entries[i].Region), std::move(entries[i].Prefecture),
                              std::move(entries[i].Name)},
                             {}};
            row.Choice.ListIndex = static_cast<int>(i);
            index.Rows.push_back(std::move(row));
        }
    } else {
        // Prefecture, area, municipality, each in the agency's code order (north to south); a
        // municipality that is a list entry chooses the entry. The search's first places are
        // the municipalities, in the table's order.
        const std::vector<TJmaMunicipality>& table = municipalities;
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
            const TSearchPlace& place = index.Search->Places()[i];
            index.Rows.push_back(
                {{place.Prefecture, place.Region, place.Name}, ChoiceOfPlace(place)});
        }
    }

    for (std::size_t i = 0; i < index.Rows.size(); ++i) {
        if (cancelled != nullptr && *cancelled)
            return index;
        const TIndex::TRow& row = index.Rows[i];
        const QString first = dialogs::ToQt(row.Names[0]);
        if (index.FirstRows.emplace(Folded(first), static_cast<int>(index.FirstNames.size()))
                .second)
            index.FirstNames.push_back(first);
        index.ByFirst[row.Names[0]].push_back(i);
        index.ByPair[row.Names[0] + '\0' + row.Names[1]].push_back(i);
    }
    index.Municipalities = std::move(municipalities);
    return index;
}

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

    connect(Button1, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // An entry named only in another letter case can leave the third list empty, and a click
    // there can then choose nothing.
    const auto thirdListChanged = [this] {
        if (!settingFromCode_ && !preselecting_)
            ChooseFromLists(ChoiceOfThirdList());
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
    // The line below the lists follows the highlighted result.
    connect(Results, &QTreeWidget::currentItemChanged, this, [this] { ShowChoice(); });
    connect(geocodeTimer_, &QTimer::timeout, this, [this] { Geocode(); });
    SearchEdit->installEventFilter(this);
    Results->installEventFilter(this);
    FormCreate();
}

TLocationSettingDialog::~TLocationSettingDialog() {
    *alive_ = false;
    // A worker may still call the accessors: it stops at its next entry.
    if (build_)
        build_->Cancelled = true;
    for (std::thread& worker : workers_)
        worker.join();
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

void TLocationSettingDialog::StartBuild(std::vector<TJmaMunicipality> municipalities,
                                        bool readCache) {
    if (build_)
        build_->Cancelled = true;
    auto build = std::make_shared<TBuild>();
    build->ReadCache = readCache;
    build_ = build;
    const std::size_t count = static_cast<std::size_t>(std::max(Count(), 0));
    if (!readCache && count <= kIndexAtOnce && municipalities.size() <= kIndexAtOnce) {
        ApplyIndex(
            BuildIndex(sources_.Kind, count_, field_, std::move(municipalities), "", nullptr));
        return;
    }
    // Off the interface thread; the answer comes back through the event loop, or is taken
    // below when it comes quickly.
    StatusLabel->setText(QStringLiteral("地域の一覧を読み込んでいます…"));
    workers_.emplace_back([build, alive = std::weak_ptr<bool>(alive_), this, kind = sources_.Kind,
                           count = count_, field = field_, table = std::move(municipalities),
                           cache = readCache ? sources_.CacheFolder : std::string()]() mutable {
        TIndex index;
        try {
            index = BuildIndex(kind, count, field, std::move(table), cache, &build->Cancelled);
        } catch (const std::exception& e) {
            index = TIndex();
            index.Error = e.what();
        }
        {
            const std::lock_guard lock(build->Mutex);
            build->Result = std::move(index);
        }
        build->Done.notify_all();
        QMetaObject::invokeMethod(
            qApp,
            [build, alive, this] {
                if (!alive.expired())
                    TakeBuild(build);
            },
            Qt::QueuedConnection);
    });
    std::unique_lock lock(build->Mutex);
    const bool done =
        build->Done.wait_for(lock, kWaitForIndex, [&build] { return build->Result.has_value(); });
    lock.unlock();
    if (done)
        TakeBuild(build);
}

void TLocationSettingDialog::TakeBuild(const std::shared_ptr<TBuild>& build) {
    // A newer build supersedes this one.
    if (build != build_ || build->Cancelled)
        return;
    std::optional<TIndex> index;
    {
        const std::lock_guard lock(build->Mutex);
        index.swap(build->Result);
    }
    if (!index)
        return;
    if (!index->Error.empty()) {
        StatusLabel->setText(QStringLiteral("地域の一覧を読み込めません: ") +
                             dialogs::ToQt(index->Error));
        return;
    }
    StatusLabel->clear();
    ApplyIndex(std::move(*index));
}

void TLocationSettingDialog::ApplyIndex(TIndex index) {
    const bool first = !ready_;
    sources_.Municipalities = std::move(index.Municipalities);
    index_ = std::make_unique<TIndex>(std::move(index));
    ready_ = true;
    FillFirstList();
    const bool nothing = index_->Rows.empty() && index_->Search->Places().empty();
    // Nothing to choose: say why instead of failing on an entry that does not exist.
    Button2->setDefault(nothing);
    Button1->setDefault(!nothing);
    EmptyLabel->setVisible(nothing);
    if (first)
        Preselect();
    else
        PreselectChoice();
    ShowChoice();
    if (!SearchEdit->text().trimmed().isEmpty())
        Search();
    // No table at hand: the agency's source asks for it.
    if (first && sources_.Kind == TPlaceKind::Agency && sources_.Municipalities.empty() &&
        sources_.FetchMunicipalities) {
        StatusLabel->setText(QStringLiteral("気象庁の地域表を取得しています…"));
        std::weak_ptr<bool> alive = alive_;
        sources_.FetchMunicipalities([this, alive](std::vector<TJmaMunicipality> table) {
            if (!alive.expired())
                TakeMunicipalities(std::move(table));
        });
    }
}

void TLocationSettingDialog::FormCreate() {
    ShowChoice();
    const bool readCache = sources_.Municipalities.empty() && !sources_.CacheFolder.empty();
    StartBuild(std::move(sources_.Municipalities), readCache);
    if (Count() > 0)
        SelectLocation(0);
}

void TLocationSettingDialog::FillFirstList() {
    ClearList(ListBox1);
    ClearList(ListBox2);
    ClearList(ListBox3);
    if (!index_)
        return;
    const bool saved = settingFromCode_;
    settingFromCode_ = true;
    ListBox1->addItems(index_->FirstNames);
    settingFromCode_ = saved;
}

void TLocationSettingDialog::TakeMunicipalities(std::vector<TJmaMunicipality> municipalities) {
    if (municipalities.empty()) {
        StatusLabel->setText(QStringLiteral(
            "気象庁の地域表を取得できません (オフライン)。一覧の地域から選べます。"));
        return;
    }
    StatusLabel->clear();
    StartBuild(std::move(municipalities), false);
}

void TLocationSettingDialog::ListBox1Click() {
    ClearList(ListBox2);
    if (index_ && ListBox1->currentRow() >= 0) {
        const std::string n1 = dialogs::FromQt(ListBox1->currentItem()->text());
        QStringList names;
        std::unordered_set<QString> seen;
        if (const auto rows = index_->ByFirst.find(n1); rows != index_->ByFirst.end())
            for (const std::size_t i : rows->second) {
                const QString name = dialogs::ToQt(index_->Rows[i].Names[1]);
                if (seen.insert(Folded(name)).second)
                    names.push_back(name);
            }
        const bool saved = settingFromCode_;
        settingFromCode_ = true;
        ListBox2->addItems(names);
        settingFromCode_ = saved;
        SetRow(ListBox2, 0);
    }
    // Without a first-level name the third list keeps its items.
    if (ListBox1->currentRow() >= 0)
        ListBox2Click();
}

void TLocationSettingDialog::ListBox2Click() {
    ClearList(ListBox3);
    if (index_ && ListBox1->currentRow() >= 0 && ListBox2->currentRow() >= 0) {
        const std::string n1 = dialogs::FromQt(ListBox1->currentItem()->text());
        const std::string n2 = dialogs::FromQt(ListBox2->currentItem()->text());
        std::unordered_set<QString> seen;
        const bool saved = settingFromCode_;
        settingFromCode_ = true;
        if (const auto rows = index_->ByPair.find(n1 + '\0' + n2); rows != index_->ByPair.end())
            for (const std::size_t i : rows->second) {
                const QString name = dialogs::ToQt(index_->Rows[i].Names[2]);
                if (!seen.insert(Folded(name)).second)
                    continue;
                auto* item = new QListWidgetItem(name, ListBox3);
                item->setData(Qt::UserRole, static_cast<int>(i));
            }
        settingFromCode_ = saved;
        SetRow(ListBox3, 0);
    }
    if (!preselecting_)
        ChooseFromLists(ChoiceOfThirdList());
}

TLocationChoice TLocationSettingDialog::ChoiceOfThirdList() const {
    // The selected item, not the one with the focus frame: they can differ.
    const QList<QListWidgetItem*> selected = ListBox3->selectedItems();
    if (selected.isEmpty() || !index_)
        return {};
    const int row = selected.first()->data(Qt::UserRole).toInt();
    return row >= 0 && static_cast<std::size_t>(row) < index_->Rows.size()
               ? index_->Rows[static_cast<std::size_t>(row)].Choice
               : TLocationChoice();
}

void TLocationSettingDialog::PreselectNames(const std::array<std::string, 3>& names) {
    const bool saved = preselecting_;
    preselecting_ = true;
    const auto first = index_ ? index_->FirstRows.find(Folded(dialogs::ToQt(names[0])))
                              : decltype(index_->FirstRows)::const_iterator();
    SetRow(ListBox1, index_ && first != index_->FirstRows.end() ? first->second : -1);
    ListBox1Click();
    SetRow(ListBox2, IndexOfText(ListBox2, dialogs::ToQt(names[1])));
    ListBox2Click();
    SetRow(ListBox3, IndexOfText(ListBox3, dialogs::ToQt(names[2])));
    preselecting_ = saved;
}

void TLocationSettingDialog::Preselect() {
    if (!index_)
        return;
    if (chosen_.ListIndex >= 0 && !chosen_.Own &&
        (sources_.Kind == TPlaceKind::List || sources_.Municipalities.empty())) {
        // By the entry's names: of several entries with the same names the first is shown.
        const int i = chosen_.ListIndex;
        PreselectNames({Field(i, 0), Field(i, 1), Field(i, 2)});
        chosen_ = ChoiceOfThirdList();
        return;
    }
    PreselectChoice();
}

void TLocationSettingDialog::PreselectChoice() {
    if (!chosen_.Chosen() || !index_)
        return;
    const auto same = [this](const TIndex::TRow& row) { return row.Choice == chosen_; };
    if (const auto row = std::find_if(index_->Rows.begin(), index_->Rows.end(), same);
        row != index_->Rows.end()) {
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
    for (const TIndex::TRow& row : index_->Rows)
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
    chosen_ = {};
    chosen_.ListIndex = index;
    Preselect();
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

void TLocationSettingDialog::ChooseFromLists(const TLocationChoice& choice) {
    searchRules_ = false;
    Choose(choice);
}

std::optional<TLocationChoice> TLocationSettingDialog::PendingChoice() const {
    if (!searchRules_)
        return chosen_;
    const int row = Results->indexOfTopLevelItem(Results->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= results_.size())
        return std::nullopt;
    return results_[static_cast<std::size_t>(row)];
}

void TLocationSettingDialog::ShowChoice() {
    const std::optional<TLocationChoice> pending = PendingChoice();
    // With a text typed and nothing to take, OK stays on offer to say what to do.
    Button1->setEnabled(!pending || pending->Chosen());
    QString text;
    const TLocationChoice shown = pending.value_or(TLocationChoice());
    if (shown.ListIndex >= 0 && shown.ListIndex < Count()) {
        text = dialogs::ToQt(Field(shown.ListIndex, 2) + " (" + Field(shown.ListIndex, 1) + ")");
    } else if (shown.Own) {
        const TOwnPlace& own = *shown.Own;
        std::string where = own.Country.empty()      ? own.Prefecture
                            : own.Prefecture.empty() ? own.Country
                                                     : own.Country + " " + own.Prefecture;
        text = dialogs::ToQt(own.Municipality + (where.empty() ? "" : " (" + where + ")"));
    }
    ChosenLabel->setText(text.isEmpty() ? QString() : QStringLiteral("選択: ") + text);
}

void TLocationSettingDialog::SayWhatToDo() {
    const QString typed = SearchEdit->text().trimmed();
    if (geocodeTimer_->isActive() || StatusLabel->text() == QStringLiteral("検索しています…"))
        StatusLabel->setText(QStringLiteral("検索中です。結果が出てから選んでください。"));
    else if (Results->topLevelItemCount() == 0)
        StatusLabel->setText(QStringLiteral("「") + typed +
                             QStringLiteral("」に合う地域がありません。書き方を変えるか、"
                                            "検索欄を空にして一覧から選んでください。"));
    else
        StatusLabel->setText(QStringLiteral("検索結果から地域を選んでください。"));
    SearchEdit->setFocus();
}

void TLocationSettingDialog::OkClicked() {
    const std::optional<TLocationChoice> pending = PendingChoice();
    if (!pending) {
        SayWhatToDo();
        return;
    }
    if (!pending->Chosen())
        return;
    if (searchRules_)
        ChooseResult(Results->indexOfTopLevelItem(Results->currentItem()));
    accept();
}

void TLocationSettingDialog::Search() {
    geocodeTimer_->stop();
    Results->clear();
    results_.clear();
    suggested_ = false;
    const std::string text = dialogs::FromQt(SearchEdit->text());
    const QString status = StatusLabel->text();
    if (status.startsWith(QStringLiteral("見つかりません")) ||
        status.startsWith(QStringLiteral("検索")) || status.startsWith(QStringLiteral("「")) ||
        status.startsWith(QStringLiteral("もしかして")))
        StatusLabel->clear();
    searchRules_ = text.find_first_not_of(" \t") != std::string::npos;
    if (!searchRules_ || !index_) {
        ShowChoice();
        return;
    }
    const auto add = [this](std::size_t i) {
        const TSearchPlace& place = index_->Search->Places()[i];
        auto* item = new QTreeWidgetItem(Results, {dialogs::ToQt(place.Name),
                                                   dialogs::ToQt(place.Prefecture),
                                                   dialogs::ToQt(place.Region)});
        item->setToolTip(0, dialogs::ToQt(place.Reading));
        results_.push_back(ChoiceOfPlace(place));
    };
    for (const std::size_t i : index_->Search->Find(text, kMaxResults))
        add(i);
    if (results_.empty()) {
        // Nothing as typed: what is one slip away, offered as a question.
        QStringList names;
        for (const std::size_t i : index_->Search->Suggest(text, kMaxSuggestions)) {
            add(i);
            names.push_back(dialogs::ToQt(index_->Search->Places()[i].Name));
        }
        if (!names.isEmpty()) {
            suggested_ = true;
            StatusLabel->setText(QStringLiteral("もしかして: ") + names.join(QStringLiteral("、")));
        }
    }
    if (!results_.empty())
        Results->setCurrentItem(Results->topLevelItem(0));
    if (!results_.empty() && !suggested_) {
        ShowChoice();
        return;
    }
    if (sources_.Kind == TPlaceKind::World && sources_.Geocode) {
        if (!suggested_)
            StatusLabel->setText(QStringLiteral("検索します…"));
        geocodeTimer_->start();
    } else if (!suggested_) {
        StatusLabel->setText(QStringLiteral("見つかりません"));
    }
    ShowChoice();
}

void TLocationSettingDialog::Geocode() {
    const std::string text = dialogs::FromQt(SearchEdit->text());
    if (!suggested_)
        StatusLabel->setText(QStringLiteral("検索しています…"));
    std::weak_ptr<bool> alive = alive_;
    sources_.Geocode(text, [this, alive, text](std::optional<std::vector<TGeocodedPlace>> found) {
        // A later text has its own look-up; places found as typed stand.
        if (alive.expired() || dialogs::FromQt(SearchEdit->text()) != text ||
            (!results_.empty() && !suggested_))
            return;
        if (!found) {
            if (!suggested_)
                StatusLabel->setText(
                    QStringLiteral("検索できません (オフライン)。一覧の地域から選べます。"));
            return;
        }
        if (found->empty()) {
            if (!suggested_)
                StatusLabel->setText(QStringLiteral("見つかりません"));
            return;
        }
        // The look-up's places before near misses of our own.
        Results->clear();
        results_.clear();
        suggested_ = false;
        StatusLabel->clear();
        for (const TGeocodedPlace& place : *found) {
            new QTreeWidgetItem(Results, {dialogs::ToQt(place.Name), dialogs::ToQt(place.Country),
                                          dialogs::ToQt(place.Admin1)});
            TLocationChoice choice;
            choice.Own = TOwnPlace{place.Admin1, place.Name, "", place.Country, place.Coordinates};
            results_.push_back(std::move(choice));
        }
        Results->setCurrentItem(Results->topLevelItem(0));
        ShowChoice();
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
        } else {
            SayWhatToDo();
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
