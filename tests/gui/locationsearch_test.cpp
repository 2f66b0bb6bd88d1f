// The location dialog's search: typing over the agency's real municipalities and a list, the
// keys of the field, the agency's lists for browsing, the table arriving late or never, and the
// live source's look-up.
#include "dialogs/DialogCommands.h"
#include "dialogs/LocationSettingDlg.h"
#include "platform/Cache.h"
#include "support/TempDir.h"

#include "ModalScript.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Entry = std::array<std::string, 3>;

struct Locations {
    std::vector<Entry> entries;
    std::function<int()> Count() const {
        return [this] { return static_cast<int>(entries.size()); };
    }
    std::function<std::string(int, int)> Field() const {
        return [this](int index, int field) {
            return field < 3 ? entries.at(static_cast<std::size_t>(index))[field]
                             : std::string("/page");
        };
    }
};

const Locations& List() {
    static const Locations list{{
        {"東北", "宮城県", "仙台市"},         // 0
        {"関東・甲信", "長野県", "軽井沢町"}, // 1
        {"関東・甲信", "東京都", "府中市"},   // 2
    }};
    return list;
}

const std::vector<TJmaMunicipality>& Table() {
    static const auto table = ReadJmaMunicipalities(ReadAll(TestData("jma/area.json")));
    return table;
}

TLocationSources Agency() {
    TLocationSources sources;
    sources.Kind = TPlaceKind::Agency;
    sources.Municipalities = Table();
    return sources;
}

QStringList Row(const QTreeWidget* results, int row) {
    const QTreeWidgetItem* item = results->topLevelItem(row);
    if (item == nullptr)
        return {};
    return {item->text(0), item->text(1), item->text(2)};
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QString Current(const QListWidget* list) {
    return list->currentItem() ? list->currentItem()->text() : QString();
}

// Types `text` into `widget` a character at a time, as an input method hands kana over.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

TOwnPlace Own(const char* prefecture, const char* name, const char* code) {
    return {prefecture, name, code, "", std::nullopt};
}

} // namespace

TEST(LocationSearch, TypingFindsAPlaceAndEnterChoosesItThenOk) {
    TLocationChoice choice;
    choice.ListIndex = 0;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        EXPECT_EQ(dialog->focusWidget(), dialog->SearchEdit);
        Type(dialog->SearchEdit, QStringLiteral("かるいざわ"));
        EXPECT_EQ(Row(dialog->Results, 0), QStringList({"軽井沢町", "長野県", "中部"}));
        // Enter chooses; the dialog stays and OK takes the focus for a second Enter.
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(dialog->GetSelectedLocation(), 1);
        EXPECT_EQ(Current(dialog->ListBox1), "長野県");
        EXPECT_EQ(Current(dialog->ListBox2), "中部");
        EXPECT_EQ(Current(dialog->ListBox3), "軽井沢町");
        EXPECT_EQ(dialog->ChosenLabel->text(), "選択: 軽井沢町 (長野県)");
        EXPECT_EQ(dialog->focusWidget(), dialog->Button1);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    EXPECT_TRUE(
        dialogs::RunLocationSetting(nullptr, List().Count(), List().Field(), Agency(), choice));
    EXPECT_EQ(choice, (TLocationChoice{1, std::nullopt}));
}

TEST(LocationSearch, ArrowsMoveThroughTheResultsAndEscapeClearsThenCloses) {
    TLocationChoice choice;
    choice.ListIndex = 1;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        Type(dialog->SearchEdit, QStringLiteral("fuchu"));
        ASSERT_EQ(dialog->Results->topLevelItemCount(), 3);
        EXPECT_EQ(Row(dialog->Results, 0), QStringList({"府中市", "東京都", "東京地方"}));
        EXPECT_EQ(Row(dialog->Results, 1), QStringList({"府中市", "広島県", "南部"}));
        EXPECT_EQ(Row(dialog->Results, 2), QStringList({"府中町", "広島県", "南部"}));
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Down);
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        EXPECT_EQ(dialog->GetChoice(), (TLocationChoice{-1, Own("広島県", "府中市", "3420800")}));
        EXPECT_EQ(Current(dialog->ListBox3), "府中市");
        EXPECT_EQ(Current(dialog->ListBox1), "広島県");
        // Up again and Enter: the listed one.
        dialog->SearchEdit->setFocus();
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Up);
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        EXPECT_EQ(dialog->GetChoice(), (TLocationChoice{2, std::nullopt}));
        // Nothing found: Enter chooses nothing and OK keeps the last choice.
        dialog->SearchEdit->setFocus();
        Type(dialog->SearchEdit, QStringLiteral("zzz"));
        EXPECT_EQ(dialog->Results->topLevelItemCount(), 0);
        EXPECT_EQ(dialog->StatusLabel->text(), "見つかりません");
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(dialog->GetChoice(), (TLocationChoice{2, std::nullopt}));
        // Escape clears the field first, then closes.
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(dialog->SearchEdit->text(), "");
        EXPECT_EQ(dialog->Results->topLevelItemCount(), 0);
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Escape);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_FALSE(
        dialogs::RunLocationSetting(nullptr, List().Count(), List().Field(), Agency(), choice));
    EXPECT_EQ(choice, (TLocationChoice{1, std::nullopt}));
}

TEST(LocationSearch, TheAgencysListsBrowsePrefecturesAreasAndMunicipalities) {
    TLocationSettingDialog dialog(nullptr, List().Count(), List().Field(), Agency());
    ASSERT_EQ(dialog.ListBox1->count(), 47);
    EXPECT_EQ(dialog.ListBox1->item(0)->text(), "北海道");
    EXPECT_EQ(dialog.ListBox1->item(3)->text(), "宮城県");
    EXPECT_EQ(dialog.ListBox1->item(46)->text(), "沖縄県");
    // Entry 0 (仙台市) is split by the agency: its prefecture and first half are shown, and the
    // choice stays the entry until the user changes it.
    EXPECT_EQ(Current(dialog.ListBox1), "宮城県");
    EXPECT_EQ(Current(dialog.ListBox3), "仙台市東部");
    EXPECT_EQ(dialog.GetChoice(), (TLocationChoice{0, std::nullopt}));

    dialog.ListBox1->setCurrentRow(46);
    EXPECT_EQ(Texts(dialog.ListBox2), QStringList({"本島中南部", "本島北部", "久米島", "大東島地方",
                                                   "宮古島地方", "石垣島地方", "与那国島地方"}));
    dialog.ListBox2->setCurrentRow(5);
    const int taketomi = static_cast<int>(Texts(dialog.ListBox3).indexOf("竹富町"));
    ASSERT_GE(taketomi, 0);
    dialog.ListBox3->setCurrentRow(taketomi);
    EXPECT_EQ(dialog.GetChoice(), (TLocationChoice{-1, Own("沖縄県", "竹富町", "4738100")}));
    EXPECT_TRUE(dialog.Button1->isEnabled());
    // A municipality that is a list entry chooses the entry.
    dialog.ListBox1->setCurrentRow(static_cast<int>(Texts(dialog.ListBox1).indexOf("長野県")));
    dialog.ListBox2->setCurrentRow(static_cast<int>(Texts(dialog.ListBox2).indexOf("中部")));
    dialog.ListBox3->setCurrentRow(static_cast<int>(Texts(dialog.ListBox3).indexOf("軽井沢町")));
    EXPECT_EQ(dialog.GetChoice(), (TLocationChoice{1, std::nullopt}));

    // A place of one's own opens shown in the lists, and OK keeps it whole.
    TLocationChoice choice{-1, Own("沖縄県", "竹富町", "4738100")};
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        EXPECT_EQ(Current(dialog->ListBox1), "沖縄県");
        EXPECT_EQ(Current(dialog->ListBox3), "竹富町");
        EXPECT_EQ(dialog->ChosenLabel->text(), "選択: 竹富町 (沖縄県)");
        dialog->Button1->click();
    });
    EXPECT_TRUE(
        dialogs::RunLocationSetting(nullptr, List().Count(), List().Field(), Agency(), choice));
    EXPECT_EQ(choice, (TLocationChoice{-1, Own("沖縄県", "竹富町", "4738100")}));
}

TEST(LocationSearch, WithoutTheTableTheListServesUntilItArrives) {
    for (const bool arrives : {true, false}) {
        std::function<void(std::vector<TJmaMunicipality>)> deliver;
        TLocationSources sources;
        sources.Kind = TPlaceKind::Agency;
        sources.FetchMunicipalities = [&](auto done) { deliver = std::move(done); };
        TLocationSettingDialog dialog(nullptr, List().Count(), List().Field(), sources);
        ASSERT_TRUE(deliver);
        EXPECT_EQ(Texts(dialog.ListBox1), QStringList({"東北", "関東・甲信"}));
        EXPECT_EQ(dialog.StatusLabel->text(), "気象庁の地域表を取得しています…");
        dialog.SearchEdit->setText(QStringLiteral("軽井"));
        EXPECT_EQ(Row(dialog.Results, 0), QStringList({"軽井沢町", "長野県", "関東・甲信"}));
        dialog.SearchEdit->setText(QStringLiteral("たけとみ"));
        EXPECT_EQ(dialog.Results->topLevelItemCount(), 0);
        deliver(arrives ? Table() : std::vector<TJmaMunicipality>());
        if (arrives) {
            // The typed text is searched again over everything.
            EXPECT_EQ(Row(dialog.Results, 0), QStringList({"竹富町", "沖縄県", "石垣島地方"}));
            EXPECT_EQ(dialog.ListBox1->count(), 47);
            EXPECT_EQ(Current(dialog.ListBox1), "宮城県");
            EXPECT_EQ(dialog.GetChoice(), (TLocationChoice{0, std::nullopt}));
            EXPECT_EQ(dialog.StatusLabel->text(), "");
        } else {
            EXPECT_EQ(dialog.StatusLabel->text(),
                      "気象庁の地域表を取得できません (オフライン)。一覧の地域から選べます。");
            EXPECT_EQ(Texts(dialog.ListBox1), QStringList({"東北", "関東・甲信"}));
        }
    }
    // An answer after the dialog has closed reaches nobody.
    std::function<void(std::vector<TJmaMunicipality>)> late;
    {
        TLocationSources sources;
        sources.Kind = TPlaceKind::Agency;
        sources.FetchMunicipalities = [&](auto done) { late = std::move(done); };
        TLocationSettingDialog dialog(nullptr, List().Count(), List().Field(), sources);
    }
    ASSERT_TRUE(late);
    late(Table());
}

TEST(LocationSearch, ThePageServicesFindTheirListOnlyByReadingToo) {
    TLocationSources sources;
    sources.Municipalities = Table(); // lends the list its readings
    TLocationSettingDialog dialog(nullptr, List().Count(), List().Field(), sources);
    EXPECT_EQ(Texts(dialog.ListBox1), QStringList({"東北", "関東・甲信"}));
    dialog.SearchEdit->setText(QStringLiteral("karuizawa"));
    EXPECT_EQ(Row(dialog.Results, 0), QStringList({"軽井沢町", "長野県", "中部"}));
    dialog.SearchEdit->setText(QStringLiteral("せんだい"));
    EXPECT_EQ(Row(dialog.Results, 0), QStringList({"仙台市", "宮城県", "東北"}));
    EXPECT_EQ(dialog.Results->topLevelItemCount(), 1);
    dialog.SearchEdit->setText(QStringLiteral("たけとみ"));
    EXPECT_EQ(dialog.Results->topLevelItemCount(), 0);
}

TEST(LocationSearch, TheLiveSourceLooksUpWhatNoPlaceMatchesAfterAPause) {
    std::vector<std::string> asked;
    TLocationSources::TGeocodeDone answer;
    TLocationSources sources;
    sources.Kind = TPlaceKind::World;
    sources.Geocode = [&](const std::string& text, TLocationSources::TGeocodeDone done) {
        asked.push_back(text);
        answer = std::move(done);
    };
    TLocationChoice choice;
    choice.ListIndex = 1;
    WhenModal([&](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        // A listed place is found at once, without asking.
        Type(dialog->SearchEdit, QStringLiteral("軽井"));
        QTest::qWait(700);
        EXPECT_TRUE(asked.empty());
        // Only the text after the pause is asked.
        dialog->SearchEdit->clear();
        Type(dialog->SearchEdit, QStringLiteral("Par"));
        Type(dialog->SearchEdit, QStringLiteral("is"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !asked.empty(); }, 3000));
        EXPECT_EQ(asked, std::vector<std::string>({"Paris"}));
        EXPECT_EQ(dialog->StatusLabel->text(), "検索しています…");
        answer(std::vector<TGeocodedPlace>{
            {"パリ", "フランス", "イル＝ド＝フランス地域圏", {48.85341, 2.3488}},
            {"パリス", "アメリカ合衆国", "テキサス州", {33.66094, -95.55551}}});
        EXPECT_EQ(Row(dialog->Results, 0),
                  QStringList({"パリ", "フランス", "イル＝ド＝フランス地域圏"}));
        EXPECT_EQ(Row(dialog->Results, 1), QStringList({"パリス", "アメリカ合衆国", "テキサス州"}));
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        EXPECT_EQ(dialog->ChosenLabel->text(), "選択: パリ (フランス イル＝ド＝フランス地域圏)");
        // A failed look-up says so; an answer for an older text is dropped.
        dialog->SearchEdit->setFocus();
        dialog->SearchEdit->setText(QStringLiteral("ホノルル"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return asked.size() == 2; }, 3000));
        auto older = answer;
        answer(std::nullopt);
        EXPECT_EQ(dialog->StatusLabel->text(),
                  "検索できません (オフライン)。一覧の地域から選べます。");
        dialog->SearchEdit->setText(QStringLiteral("ホノルル市"));
        older(std::vector<TGeocodedPlace>{
            {"ホノルル", "アメリカ合衆国", "ハワイ州", {21.3, -157.8}}});
        EXPECT_EQ(dialog->Results->topLevelItemCount(), 0);
        // OK while the text is still looked up asks to wait; once it is cleared, パリ stands.
        dialog->Button1->click();
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(dialog->StatusLabel->text(), "検索中です。結果が出てから選んでください。");
        dialog->SearchEdit->clear();
        dialog->Button1->click();
    });
    EXPECT_TRUE(
        dialogs::RunLocationSetting(nullptr, List().Count(), List().Field(), sources, choice));
    EXPECT_EQ(choice, (TLocationChoice{-1, TOwnPlace{"イル＝ド＝フランス地域圏", "パリ", "",
                                                     "フランス", TCoordinates{48.85341, 2.3488}}}));
}

// OK takes the highlighted result, as the line below the lists says: the only one found, or the
// one the arrows chose; a change of the lists after the typing takes the lists' place.
TEST(LocationSearch, OkTakesTheHighlightedResult) {
    struct Case {
        const char* typed;
        int downs;
        bool thenLists; // the first list's third entry chosen after the typing
        const char* line;
        TLocationChoice expected;
    };
    const Case cases[] = {
        {"軽井沢", 0, false, "選択: 軽井沢町 (長野県)", {1, std::nullopt}},
        {"fuchu", 1, false, "選択: 府中市 (広島県)", {-1, Own("広島県", "府中市", "3420800")}},
        {"karuisawa", 0, false, "選択: 軽井沢町 (長野県)", {1, std::nullopt}},
        {"軽井沢", 0, true, "選択: 那覇市 (沖縄県)", {-1, Own("沖縄県", "那覇市", "4720100")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TLocationChoice choice;
        choice.ListIndex = 0; // a first start: the list's first entry
        WhenModal([&](QDialog* d) {
            auto* dialog = OpenDialog<TLocationSettingDialog>(d);
            EXPECT_EQ(dialog->ChosenLabel->text(), "選択: 仙台市 (宮城県)");
            Type(dialog->SearchEdit, QString::fromUtf8(c.typed));
            for (int i = 0; i < c.downs; ++i)
                QTest::keyClick(dialog->SearchEdit, Qt::Key_Down);
            if (c.thenLists) {
                // Then 沖縄県 in the lists: its first municipality.
                dialog->ListBox1->setCurrentRow(46);
            }
            EXPECT_EQ(dialog->ChosenLabel->text(), c.line);
            // One click with the pointer.
            QTest::mouseClick(dialog->Button1, Qt::LeftButton);
        });
        EXPECT_TRUE(
            dialogs::RunLocationSetting(nullptr, List().Count(), List().Field(), Agency(), choice));
        EXPECT_EQ(choice, c.expected);
    }
}

// With a text typed and nothing to take, OK keeps the dialog open and says what to do; an
// emptied field gives OK back its choice.
TEST(LocationSearch, OkWithNothingFoundSaysWhatToDo) {
    TLocationChoice choice;
    choice.ListIndex = 2;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        Type(dialog->SearchEdit, QStringLiteral("zzzq"));
        EXPECT_EQ(dialog->Results->topLevelItemCount(), 0);
        EXPECT_EQ(dialog->ChosenLabel->text(), "");
        EXPECT_TRUE(dialog->Button1->isEnabled());
        QTest::mouseClick(dialog->Button1, Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(dialog->StatusLabel->text(),
                  "「zzzq」に合う地域がありません。書き方を変えるか、検索欄を空にして一覧から選んで"
                  "ください。");
        EXPECT_EQ(dialog->focusWidget(), dialog->SearchEdit);
        // Enter says the same.
        dialog->StatusLabel->clear();
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(dialog->StatusLabel->text().startsWith("「zzzq」"));
        dialog->SearchEdit->clear();
        EXPECT_EQ(dialog->ChosenLabel->text(), "選択: 府中市 (東京都)");
        QTest::mouseClick(dialog->Button1, Qt::LeftButton);
    });
    EXPECT_TRUE(
        dialogs::RunLocationSetting(nullptr, List().Count(), List().Field(), Agency(), choice));
    EXPECT_EQ(choice, (TLocationChoice{2, std::nullopt}));
}

// A near miss is offered as a question, highlighted, when nothing matches as typed.
TEST(LocationSearch, ANearMissIsOffered) {
    TLocationSettingDialog dialog(nullptr, List().Count(), List().Field(), Agency());
    const std::pair<const char*, const char*> cases[] = {
        {"karuisawa", "もしかして: 軽井沢町、"},
        {"かるいさわ", "もしかして: 軽井沢町、"},
        {"ｶﾙｲｻﾜ", "もしかして: 軽井沢町、"},
        {"taketoni", "もしかして: 竹富町"},
    };
    for (const auto& [typed, status] : cases) {
        dialog.SearchEdit->setText(QString::fromUtf8(typed));
        EXPECT_TRUE(dialog.StatusLabel->text().startsWith(QString::fromUtf8(status)))
            << typed << ": " << dialog.StatusLabel->text().toStdString();
        // The first near miss is the first result.
        const QString first = Row(dialog.Results, 0).value(0);
        EXPECT_TRUE(!first.isEmpty() && QString::fromUtf8(status).mid(7).startsWith(first))
            << typed;
        EXPECT_EQ(dialog.Results->currentItem(), dialog.Results->topLevelItem(0));
    }
    // Found as typed: no question.
    dialog.SearchEdit->setText(QStringLiteral("karuizawa"));
    EXPECT_EQ(dialog.StatusLabel->text(), "");
}

// A location list of 300,000 entries, and the table read from the cache: both are read and
// indexed off the interface thread, the lists fill when they are ready, the search finds every
// entry, and a dialog closed meanwhile stops the worker.
TEST(LocationSearch, ALargeListAndTheCachedTableAreIndexedOffTheInterfaceThread) {
    Locations big;
    constexpr int kEntries = 300000;
    big.entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i)
        big.entries.push_back(
            {"地方" + std::to_string(i), "県" + std::to_string(i), "町" + std::to_string(i)});
    {
        // Closed at once: the worker stops and is waited for.
        TLocationSettingDialog closed(nullptr, big.Count(), big.Field(), {});
    }
    TLocationSettingDialog dialog(nullptr, big.Count(), big.Field(), {});
    dialog.SelectLocation(123456);
    EXPECT_EQ(dialog.ChosenLabel->text(), "選択: 町123456 (県123456)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.PlacesReady(); }, 120000));
    EXPECT_EQ(dialog.ListBox1->count(), kEntries);
    EXPECT_EQ(Current(dialog.ListBox3), "町123456");
    dialog.SearchEdit->setText(QStringLiteral("町299999"));
    EXPECT_EQ(Row(dialog.Results, 0), QStringList({"町299999", "県299999", "地方299999"}));

    // The agency's table from the cache folder.
    TempDir dir;
    ASSERT_FALSE(
        platform::TCache(dir.Path()).Write("jma/area.json", ReadAll(TestData("jma/area.json"))));
    TLocationSources sources;
    sources.Kind = TPlaceKind::Agency;
    sources.CacheFolder = dir.Path();
    bool fetched = false;
    sources.FetchMunicipalities = [&](auto) { fetched = true; };
    TLocationSettingDialog agency(nullptr, List().Count(), List().Field(), sources);
    agency.SelectLocation(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return agency.PlacesReady(); }, 30000));
    EXPECT_EQ(agency.ListBox1->count(), 47);
    EXPECT_EQ(Current(agency.ListBox3), "軽井沢町");
    EXPECT_FALSE(fetched);
    // No table in the cache: the agency's source asks for it.
    TLocationSources empty = sources;
    empty.CacheFolder = dir.Path() + "/none";
    TLocationSettingDialog asking(nullptr, List().Count(), List().Field(), empty);
    ASSERT_TRUE(QTest::qWaitFor([&] { return asking.PlacesReady(); }, 30000));
    EXPECT_TRUE(fetched);
    EXPECT_EQ(asking.StatusLabel->text(), "気象庁の地域表を取得しています…");
}
