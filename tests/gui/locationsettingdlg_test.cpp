#include "dialogs/DialogCommands.h"
#include "dialogs/LocationSettingDlg.h"

#include "ModalScript.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

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

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QString Current(const QListWidget* list) {
    return list->currentItem() ? list->currentItem()->text() : QString();
}

} // namespace

TEST(LocationSettingDialog, NamesInFirstAppearanceOrderWithoutCaseBlindDuplicates) {
    const Locations list{{
        {"Tokyo", "Center", "Chiyoda"}, // 0
        {"Osaka", "North", "Kita"},     // 1
        {"TOKYO", "West", "Hachioji"},  // 2: same first-level name in other case
        {"Tokyo", "Center", "Chiyoda"}, // 3: duplicate of 0
        {"Tokyo", "Center", "CHIYODA"}, // 4: duplicate of 0 but for case
        {"Tokyo", "East", "Edogawa"},   // 5
        {"Aichi", "West", "Nagoya"},    // 6
    }};
    TLocationSettingDialog dialog(nullptr, list.Count(), list.Field());
    EXPECT_EQ(Texts(dialog.ListBox1), QStringList({"Tokyo", "Osaka", "Aichi"}));
    // The cascade matches exactly: "TOKYO"'s second-level name is not Tokyo's.
    EXPECT_EQ(Texts(dialog.ListBox2), QStringList({"Center", "East"}));
    EXPECT_EQ(Texts(dialog.ListBox3), QStringList({"Chiyoda"}));
    EXPECT_EQ(dialog.GetSelectedLocation(), 0);

    // Opened on the duplicate, OK stores the first entry of the three names.
    for (const int start : {3, 4}) {
        std::int32_t index = start;
        WhenModal([](QDialog* d) { QTest::keyClick(d, Qt::Key_Return); });
        EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
        EXPECT_EQ(index, 0);
    }

    // "TOKYO" preselects "Tokyo", whose group has no "West": nothing to choose, OK disabled.
    std::int32_t index = 2;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        EXPECT_EQ(Current(dialog->ListBox1), "Tokyo");
        EXPECT_EQ(dialog->ListBox2->currentRow(), -1);
        EXPECT_EQ(dialog->ListBox3->count(), 0);
        EXPECT_FALSE(dialog->Button1->isEnabled());
        dialog->Button1->click();
        EXPECT_TRUE(d->isVisible());
        // Choosing a place enables it again.
        dialog->ListBox2->setCurrentRow(0);
        EXPECT_TRUE(dialog->Button1->isEnabled());
        dialog->Button1->click();
    });
    EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
    EXPECT_EQ(index, 0);
}

TEST(LocationSettingDialog, OutOfRangeIndexOpensOnTheNearestEntryAndCancelKeepsIt) {
    Locations list;
    for (int i = 0; i < 10; ++i)
        list.entries.push_back({"Region" + std::to_string(i / 4), "Area" + std::to_string(i / 2),
                                "Place" + std::to_string(i)});
    struct Case {
        std::int32_t index;
        QString region, area, place;
    };
    const Case cases[] = {{100, "Region2", "Area4", "Place9"}, {-5, "Region0", "Area0", "Place0"}};
    for (const Case& c : cases) {
        std::int32_t index = c.index;
        WhenModal([&](QDialog* d) {
            auto* dialog = OpenDialog<TLocationSettingDialog>(d);
            EXPECT_EQ(Current(dialog->ListBox1), c.region);
            EXPECT_EQ(Current(dialog->ListBox2), c.area);
            EXPECT_EQ(Current(dialog->ListBox3), c.place);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        EXPECT_FALSE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
        EXPECT_EQ(index, c.index);
    }
    // OK on the clamped entry stores a valid index again; OK without a change still reports OK.
    std::int32_t index = 100;
    WhenModal([](QDialog* d) { OpenDialog<TLocationSettingDialog>(d)->Button1->click(); });
    EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
    EXPECT_EQ(index, 9);
    WhenModal([](QDialog* d) { OpenDialog<TLocationSettingDialog>(d)->Button1->click(); });
    EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
    EXPECT_EQ(index, 9);
}

TEST(LocationSettingDialog, ChangingAGroupSelectsItsFirstNames) {
    const Locations list{{
        {"Hokkaido", "Sapporo", "Chuo"},       // 0
        {"Hokkaido", "Hakodate", "Motomachi"}, // 1
        {"Kyushu", "Fukuoka", "Hakata"},       // 2
        {"Kyushu", "Fukuoka", "Tenjin"},       // 3
        {"Kyushu", "Kagoshima", "Sakurajima"}, // 4
    }};
    std::int32_t index = 1;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        EXPECT_EQ(Current(dialog->ListBox2), "Hakodate");
        // A click on another first-level name.
        QListWidget* first = dialog->ListBox1;
        QTest::mouseClick(first->viewport(), Qt::LeftButton, {},
                          first->visualItemRect(first->item(1)).center());
        EXPECT_EQ(Current(dialog->ListBox2), "Fukuoka");
        EXPECT_EQ(Texts(dialog->ListBox3), QStringList({"Hakata", "Tenjin"}));
        EXPECT_EQ(Current(dialog->ListBox3), "Hakata");
        // The keyboard cascades too.
        dialog->ListBox2->setFocus();
        QTest::keyClick(dialog->ListBox2, Qt::Key_Down);
        EXPECT_EQ(Current(dialog->ListBox3), "Sakurajima");
        QTest::keyClick(dialog->ListBox3, Qt::Key_Return);
    });
    EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
    EXPECT_EQ(index, 4);
}

TEST(LocationSettingDialog, EmptyListOpensWithOkDisabled) {
    const Locations list;
    std::int32_t index = 3;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        EXPECT_EQ(dialog->ListBox1->count(), 0);
        EXPECT_FALSE(dialog->Button1->isEnabled());
        EXPECT_TRUE(dialog->EmptyLabel->isVisible());
        EXPECT_TRUE(dialog->EmptyLabel->text().contains("urls.list"));
        EXPECT_EQ(dialog->GetSelectedLocation(), -1);
        QTest::keyClick(d, Qt::Key_Return); // the default button is Cancel now
    });
    EXPECT_FALSE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
    EXPECT_EQ(index, 3);
}

TEST(LocationSettingDialog, OkStoresTheSelectedPlace) {
    const Locations list{{
        {"Kanto", "Tokyo", "Chiyoda"}, // 0
        {"Kanto", "Tokyo", "Minato"},  // 1
        {"Kanto", "Tokyo", "Shibuya"}, // 2
    }};
    struct Case {
        const char* name;
        std::function<void(QListWidget*)> action;
    };
    const Case cases[] = {
        {"a click below the last place",
         [](QListWidget* places) {
             QTest::mouseClick(places->viewport(), Qt::LeftButton, {},
                               QPoint(10, places->viewport()->height() - 3));
         }},
        {"a Ctrl+click on the selected place",
         [](QListWidget* places) {
             QTest::mouseClick(places->viewport(), Qt::LeftButton, Qt::ControlModifier,
                               places->visualItemRect(places->item(1)).center());
         }},
        {"Ctrl+Space on the selected place",
         [](QListWidget* places) { QTest::keyClick(places, Qt::Key_Space, Qt::ControlModifier); }},
    };
    for (const Case& c : cases) {
        std::int32_t index = 0;
        WhenModal([&](QDialog* d) {
            auto* dialog = OpenDialog<TLocationSettingDialog>(d);
            QListWidget* places = dialog->ListBox3;
            QTest::mouseClick(places->viewport(), Qt::LeftButton, {},
                              places->visualItemRect(places->item(1)).center());
            c.action(places);
            EXPECT_TRUE(places->item(1)->isSelected()) << c.name;
            EXPECT_EQ(dialog->GetSelectedLocation(), 1) << c.name;
            EXPECT_TRUE(dialog->Button1->isEnabled()) << c.name;
            dialog->Button1->click();
        });
        EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
        EXPECT_EQ(index, 1) << c.name;
    }

    // The item with only the focus frame is not the choice; without a selection OK is off.
    std::int32_t index = 0;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        QListWidget* places = dialog->ListBox3;
        places->setCurrentRow(2);
        places->selectionModel()->setCurrentIndex(places->model()->index(0, 0),
                                                  QItemSelectionModel::NoUpdate);
        EXPECT_EQ(dialog->GetSelectedLocation(), 2);
        places->clearSelection();
        EXPECT_EQ(dialog->GetSelectedLocation(), -1);
        EXPECT_FALSE(dialog->Button1->isEnabled());
        dialog->Button1->click();
        EXPECT_TRUE(d->isVisible());
        places->setCurrentRow(1);
        EXPECT_TRUE(dialog->Button1->isEnabled());
        dialog->Button1->click();
    });
    EXPECT_TRUE(dialogs::RunLocationSetting(nullptr, list.Count(), list.Field(), index));
    EXPECT_EQ(index, 1);
}
