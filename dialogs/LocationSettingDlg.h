#pragma once

#include "weather/OwnPlace.h"
#include "weather/PlaceSearch.h"
#include "weather/jma/JmaAreas.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <QDialog>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;

// Which places the chosen source can serve.
enum class TPlaceKind {
    List,   // the page services: the location list's entries only
    Agency, // the agency: every municipality of its area table, and the list's entries
    World,  // the live source: those, and any place its look-up finds
};

// Where the dialog gets what lies beyond the location list. Both requests answer on the
// interface thread, later; the dialog ignores an answer that comes after it has closed.
struct TLocationSources {
    TPlaceKind Kind = TPlaceKind::List;
    // The agency's municipalities at hand (the cached area table); may be empty.
    std::vector<TJmaMunicipality> Municipalities;
    // Asks for the table when none is at hand (Agency); `done` gets it, empty when it could not
    // be had. May be empty.
    std::function<void(std::function<void(std::vector<TJmaMunicipality>)>)> FetchMunicipalities;
    // Asks the live source's look-up for a text (World); `done` gets its places, or nothing when
    // it could not be asked. May be empty.
    using TGeocodeDone = std::function<void(std::optional<std::vector<TGeocodedPlace>>)>;
    std::function<void(const std::string&, TGeocodeDone)> Geocode;
    // Where the agency's area table may be kept: when Municipalities is empty the dialog reads
    // it from there itself, off the interface thread (it can be large). May be empty.
    std::string CacheFolder;
};

// The location dialog: a search field over every place the source can serve, its results, and
// three cascading lists for browsing (the location list's first-, second- and third-level
// names, or under the agency its prefectures, areas and municipalities). It reads the list
// through the two accessors it is given and changes nothing itself; the caller takes GetChoice()
// after Execute() returns true.
//
// The choice is what the user last chose: a result (Enter in the field, or a click), or the
// selected item of the third list after a change of the lists. Preselection only shows it.
// While a typed text rules (typed after the last change of the lists), OK takes the highlighted
// result, and with none highlighted it stays open and says what to do; the line below the lists
// names what OK takes. An empty location list without other places opens with empty lists, OK
// disabled and a line saying so.
//
// The places are indexed at once when there are few; a large list or a table to be read from
// the cache is read and indexed on a worker thread (the accessors are then called there, so the
// list must not change while the dialog exists), and the lists fill when it is done. The
// interface thread never does work that grows with the list's or the table's size, beyond
// filling the lists it shows.
class TLocationSettingDialog : public QDialog {
    Q_OBJECT

public:
    // Number of entries, and field `field` (0-6) of entry `index` (0..count-1).
    using CountFunc = std::function<int()>;
    using FieldFunc = std::function<std::string(int index, int field)>;

    TLocationSettingDialog(QWidget* owner, CountFunc count, FieldFunc field,
                           TLocationSources sources = {});
    ~TLocationSettingDialog() override;

    // Chooses list entry `index`, clamped to the list, and preselects the lists on it.
    void SelectLocation(int index);
    // Chooses a place of one's own and preselects the lists on it where they hold it.
    void SelectOwnPlace(const TOwnPlace& place);
    // Shows the dialog modally, the search field focused; true when it was closed with OK.
    bool Execute();
    // The chosen list entry, or -1 when the choice is none or a place of one's own.
    int GetSelectedLocation() const;
    const TLocationChoice& GetChoice() const { return chosen_; }

    // The cascades that a user's change of the first or second list runs.
    void ListBox1Click();
    void ListBox2Click();
    // Chooses result `row` of the search, as Enter does.
    void ChooseResult(int row);
    // OK: the highlighted result while a typed text rules, else the choice; nothing found or
    // nothing highlighted keeps the dialog open with a word on what to do.
    void OkClicked();
    // The places are indexed and the lists filled.
    bool PlacesReady() const { return ready_; }

    QLineEdit* SearchEdit;
    QTreeWidget* Results; // name, prefecture (or country), region (or admin1)
    QLabel* StatusLabel;  // the table's download, a look-up, nothing found
    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QListWidget* ListBox3;
    QLabel* ChosenLabel;  // the choice in words
    QPushButton* Button1; // OK
    QPushButton* Button2; // キャンセル
    QLabel* EmptyLabel;   // shown only when there is nothing to choose

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The places indexed for searching and browsing, and a build of them under way.
    struct TIndex;
    struct TBuild;
    static TIndex BuildIndex(TPlaceKind kind, const CountFunc& count, const FieldFunc& field,
                             std::vector<TJmaMunicipality> municipalities,
                             const std::string& cacheFolder, const std::atomic<bool>* cancelled);

    void FormCreate();
    // Indexes the places (the table, or the cached one when `readCache`, and the list): at once
    // when there are few, else on a worker thread.
    void StartBuild(std::vector<TJmaMunicipality> municipalities, bool readCache);
    void TakeBuild(const std::shared_ptr<TBuild>& build);
    void ApplyIndex(TIndex index);
    void FillFirstList();
    int Count() const;
    std::string Field(int index, int field) const;
    // Selects a row from the code without running the cascades.
    void SetRow(QListWidget* list, int row);
    // Empties a list from the code, without running the cascades or changing the choice.
    void ClearList(QListWidget* list);
    void Search();
    void Geocode();
    void TakeMunicipalities(std::vector<TJmaMunicipality> municipalities);
    void ShowChoice();
    void Choose(const TLocationChoice& choice);
    // A change of the lists by the user: their choice rules, not the typed text.
    void ChooseFromLists(const TLocationChoice& choice);
    // Shows the chosen place in the lists (once the places are indexed).
    void Preselect();
    // Shows the choice in the three lists where they hold it.
    void PreselectChoice();
    void PreselectNames(const std::array<std::string, 3>& names);
    TLocationChoice ChoiceOfThirdList() const;
    // What OK takes now; nothing when a typed text rules and no result is highlighted.
    std::optional<TLocationChoice> PendingChoice() const;
    // The line that tells what to do when OK has nothing to take.
    void SayWhatToDo();

    CountFunc count_;
    FieldFunc field_;
    TLocationSources sources_;
    std::unique_ptr<TIndex> index_;        // empty until the places are indexed
    std::vector<TLocationChoice> results_; // by row of Results
    TLocationChoice chosen_;
    QTimer* geocodeTimer_;
    bool settingFromCode_ = false;
    bool preselecting_ = false;
    bool ready_ = false;
    bool searchRules_ = false;      // a typed text rules what OK takes
    bool suggested_ = false;        // the results are near misses
    std::shared_ptr<TBuild> build_; // the newest build
    std::vector<std::thread> workers_;
    // Lives as long as the dialog; answers arriving later find it expired.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
