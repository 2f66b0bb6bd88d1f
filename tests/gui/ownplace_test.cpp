// A place outside the location list: kept in the settings file, asked for by every source as the
// list's places are, chosen and left again through the location dialog, and the dialog at a
// first start without a place.
#include "FormFixture.h"
#include "ModalScript.h"

#include "dialogs/LocationSettingDlg.h"
#include "platform/Cache.h"
#include "platform/Errors.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const char* const kList = "東北,宮城県,仙台市,t/1,t/2,y/1,y/2\n"
                          "関東・甲信,長野県,軽井沢町,t/3,t/4,y/3,y/4\n";
const char* const kUrls =
    "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/lite/\n"
    "PrefixYahoo=http://127.0.0.1:9/weather/jp/\n"
    "PrefixOpenMeteo=http://127.0.0.1:9/\nPrefixGeocoding=http://127.0.0.1:9/\n"
    "PrefixJma=http://127.0.0.1:9/bosai/\n";

// Fails every request: nothing here needs an answer.
class TNoNetwork : public THttpClient {
public:
    std::string Get(const std::string&) override { throw EHttpError("接続できません"); }
};

std::unique_ptr<TMainForm> StartWith(TestProgram& program, const std::string& option,
                                     const std::string& place = "") {
    program.dir.Write("urls.list", kList);
    program.WriteIni(std::string(kUrls) + "[Option]\n" + option + place);
    return program.Start();
}

} // namespace

TEST(OwnPlace, TheSettingsKeepItAndEverySourceAsksForIt) {
    TestProgram program;
    MessageLog messages;
    auto form = StartWith(program, "Server=3\nLocation=1\n",
                          "[Place]\nPrefecture=沖縄県\nMunicipality=竹富町\nClass20=4738100\n");
    ASSERT_TRUE(form->OwnPlace);
    EXPECT_EQ(*form->OwnPlace, (TOwnPlace{"沖縄県", "竹富町", "4738100", "", std::nullopt}));
    EXPECT_EQ(form->LocationIndex, 1);
    EXPECT_FALSE(form->PlaceMissing);
    TForecastRequest request = form->CurrentForecastRequest();
    EXPECT_EQ(request.Prefecture, "沖縄県");
    EXPECT_EQ(request.Municipality, "竹富町");

    // The live source: a looked-up place brings its coordinates.
    form->OwnPlace = TOwnPlace{"イル＝ド＝フランス地域圏", "パリ", "", "フランス",
                               TCoordinates{48.85341, 2.3488}};
    form->ActOpenMeteo.setChecked(true);
    request = form->CurrentForecastRequest();
    EXPECT_EQ(request.Municipality, "パリ");
    EXPECT_EQ(request.Prefecture, "イル＝ド＝フランス地域圏");
    ASSERT_TRUE(request.Coordinates);
    EXPECT_EQ(*request.Coordinates, (TCoordinates{48.85341, 2.3488}));
    // The page services know their list only: the request says so and asks nothing.
    form->ActTenkiJpLite.setChecked(true);
    try {
        form->CurrentForecastRequest();
        ADD_FAILURE() << "a page service was asked for a place outside its list";
    } catch (const ELocationNotFound& e) {
        EXPECT_STREQ(e.what(), "パリはこのサービスの一覧にありません。地域を選び直してください");
    }

    // Written whole, and read back the same.
    form->ActOpenMeteo.setChecked(true);
    form->SaveSettings(form->SettingsFileName);
    const platform::IniFile ini = program.ReadIni();
    EXPECT_EQ(ini.ReadString("Place", "Municipality", ""), "パリ");
    EXPECT_EQ(ini.ReadString("Place", "Prefecture", ""), "イル＝ド＝フランス地域圏");
    EXPECT_EQ(ini.ReadString("Place", "Country", ""), "フランス");
    EXPECT_EQ(ini.ReadString("Place", "Coordinates", ""), "48.85341,2.3488");
    EXPECT_FALSE(ini.Find("Place", "Class20"));
    EXPECT_EQ(ini.ReadInteger("Option", "Location", -1), 1);
    form->LoadOwnPlace(ini);
    EXPECT_EQ(*form->OwnPlace, (TOwnPlace{"イル＝ド＝フランス地域圏", "パリ", "", "フランス",
                                          TCoordinates{48.85341, 2.3488}}));

    // Back to the list: the place's keys go.
    form->OwnPlace.reset();
    form->SaveSettings(form->SettingsFileName);
    for (const char* key : {"Prefecture", "Municipality", "Class20", "Country", "Coordinates"})
        EXPECT_FALSE(program.ReadIni().Find("Place", key)) << key;
    form->close();
}

TEST(OwnPlace, UnreadableValuesAreLeftOutWithoutLosingThePlace) {
    struct Case {
        const char* place;
        std::optional<TOwnPlace> read;
    };
    const Case cases[] = {
        {"[Place]\nPrefecture=沖縄県\nMunicipality=竹富町\nClass20=47381\nCoordinates=95,200\n",
         TOwnPlace{"沖縄県", "竹富町", "", "", std::nullopt}},
        {"[Place]\nPrefecture=沖縄県\nClass20=4738100\n", std::nullopt},
        {"[Place]\nMunicipality=パリ\nCoordinates=48.85,2.35\n",
         TOwnPlace{"", "パリ", "", "", TCoordinates{48.85, 2.35}}},
    };
    for (const Case& c : cases) {
        TestProgram program;
        MessageLog messages;
        auto form = StartWith(program, "Server=0\nLocation=1\n", c.place);
        EXPECT_EQ(form->OwnPlace, c.read) << c.place;
        EXPECT_EQ(form->LocationIndex, 1);
        form->close();
    }
}

TEST(OwnPlace, TheDialogChoosesOneAndAListEntryReturnsToTheList) {
    TestProgram program;
    MessageLog messages;
    // The agency's table in the cache folder, as the place resolution keeps it.
    auto form = StartWith(program, "Server=3\nLocation=0\n");
    form->NewHttpClient = [] { return std::make_unique<TNoNetwork>(); };
    platform::TCache(form->CacheFolder).Write("jma/area.json", ReadAll(TestData("jma/area.json")));

    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        dialog->SearchEdit->setText(QStringLiteral("たけとみ"));
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        dialog->Button1->click();
    });
    form->ActLocationSettingExecute(&form->ActLocationSetting);
    TestProgram::Settle(*form);
    ASSERT_TRUE(form->OwnPlace);
    EXPECT_EQ(*form->OwnPlace, (TOwnPlace{"沖縄県", "竹富町", "4738100", "", std::nullopt}));
    EXPECT_EQ(form->LocationIndex, 0);
    EXPECT_EQ(form->CurrentForecastRequest().Municipality, "竹富町");

    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        EXPECT_EQ(dialog->ListBox3->currentItem()->text(), "竹富町");
        dialog->SearchEdit->setText(QStringLiteral("karuizawa"));
        QTest::keyClick(dialog->SearchEdit, Qt::Key_Return);
        dialog->Button1->click();
    });
    form->ActLocationSettingExecute(&form->ActLocationSetting);
    TestProgram::Settle(*form);
    EXPECT_FALSE(form->OwnPlace);
    EXPECT_EQ(form->LocationIndex, 1);
    form->close();
}

TEST(OwnPlace, AFirstStartWithoutAPlaceAsksOnceAndCancelKeepsTheDefault) {
    struct Case {
        const char* option;
        const char* place;
        bool asks;
    };
    const Case cases[] = {
        {"", "", true},              // prefixes only
        {"Location=0\n", "", false}, // an older file
        {"", "[Place]\nMunicipality=竹富町\nPrefecture=沖縄県\n", false},
    };
    for (const Case& c : cases) {
        TestProgram program;
        MessageLog messages;
        auto form = StartWith(program, std::string("Server=0\n") + c.option, c.place);
        form->NewHttpClient = [] { return std::make_unique<TNoNetwork>(); };
        EXPECT_EQ(form->PlaceMissing, c.asks) << c.option << c.place;
        bool opened = false;
        if (c.asks)
            WhenModal([&](QDialog* d) {
                opened = true;
                auto* dialog = OpenDialog<TLocationSettingDialog>(d);
                EXPECT_EQ(dialog->focusWidget(), dialog->SearchEdit);
                dialog->Button2->click();
            });
        form->AskForPlaceOnFirstStart();
        EXPECT_EQ(opened, c.asks);
        // Asked once: the default place is written, and nothing asks again.
        EXPECT_FALSE(form->PlaceMissing);
        if (c.asks) {
            EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Location", -1), 0);
            form->AskForPlaceOnFirstStart();
        }
        TestProgram::Settle(*form);
        form->close();
    }
}
