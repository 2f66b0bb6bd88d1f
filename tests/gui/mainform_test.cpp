// The main window's command table, menu tree, start-up failures and location accessors.
#include "FormFixture.h"

#include "app/Application.h"
#include "platform/Errors.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

std::string Text(const QString& s) {
    return s.toStdString();
}

// One line per menu item: captions, "-" for a separator, submenus indented by two spaces;
// a check item ends in " [x]" or " [ ]", a radio item in " (o)" or " ( )".
void DescribeMenu(const QMenu& menu, const std::string& indent, std::vector<std::string>& out) {
    for (QAction* a : menu.actions()) {
        if (a->isSeparator()) {
            out.push_back(indent + "-");
        } else if (a->menu()) {
            out.push_back(indent + Text(a->text()) + ":");
            DescribeMenu(*a->menu(), indent + "  ", out);
        } else {
            std::string line = indent + Text(a->text());
            if (a->isCheckable()) {
                const bool radio = a->actionGroup() && a->actionGroup()->isExclusive();
                line +=
                    radio ? (a->isChecked() ? " (o)" : " ( )") : (a->isChecked() ? " [x]" : " [ ]");
            }
            out.push_back(line);
        }
    }
}

} // namespace

TEST(MainForm, CommandTable) {
    TestProgram program;
    MessageLog messages;
    auto form = program.Start();
    TMainForm& f = *form;
    struct Case {
        QAction* action;
        const char* caption;
        const char* hint;
        QActionGroup* group;
        bool autoCheck;
    };
    const Case cases[] = {
        {&f.ActAbout, "バージョン情報(&V)...", "", nullptr, false},
        {&f.ActExit, "終了(&X)", "終了", nullptr, false},
        {&f.ActRefresh, "最新の状態に更新(&R)", "最新の状態に更新", nullptr, false},
        {&f.ActOpenWebPage, "Webページを開く(&W)...", "", nullptr, false},
        {&f.ActCurrentForecast, "現在の天気(&C)", "", &f.TrayGroup, true},
        {&f.ActTodayForecast, "今日の予報(&T)", "", &f.TrayGroup, true},
        {&f.ActTomorrowForecast, "明日の予報(&O)", "", &f.TrayGroup, true},
        {&f.ActNowTemperature, "現在の気温(&N)", "", &f.TrayGroup, true},
        {&f.ActShowBalloon, "バルーンを表示(&B)", "", nullptr, true},
        {&f.ActTenkiJpLite, "TenkiLite(&T)", "TenkiLite", &f.ServerGroup, true},
        {&f.ActYahoo, "Yahoo天気 (&Y)", "Yahoo天気", &f.ServerGroup, true},
        {&f.ActOpenMeteo, "Open-Meteo(&O)", "Open-Meteo", &f.ServerGroup, true},
        {&f.ActJma, "気象庁(&J)", "気象庁", &f.ServerGroup, true},
        {&f.ActProxySetting, "プロキシの設定(&P)...", "", nullptr, false},
        {&f.ActLocationSetting, "地域の設定(&L)...", "", nullptr, false},
        {&f.ActIntervalManual, "手動で更新(&M)", "", &f.IntervalGroup, true},
        {&f.ActInterval1H, "1時間ごと(&1)", "", &f.IntervalGroup, true},
        {&f.ActInterval3H, "3時間ごと(&3)", "", &f.IntervalGroup, true},
        {&f.ActInterval6H, "6時間ごと(&6)", "", &f.IntervalGroup, true},
        {&f.ActIntervalAuto, "6/12/18時(&A)", "", &f.IntervalGroup, true},
        {&f.ActShowWindow, "表示/非表示(&S)", "", nullptr, true},
        {&f.ActStayOnBottom, "最背面に表示(&B)", "", nullptr, true},
        {&f.ActFixPosition, "位置を固定(&F)", "", nullptr, true},
        {&f.ActDefaultPos, "標準の位置に戻す(&D)", "", nullptr, false},
        {&f.ActAutoStart, "ログイン時に起動(&O)", "", nullptr, true},
        {&f.ActSkinSetting, "デザインの変更(&K)...", "", nullptr, false},
        {&f.ActUpdateCheck, "更新を確認(&U)...", "", nullptr, false},
        {&f.ActDetails, "詳しい予報(&I)...", "", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(Text(c.action->text()), c.caption);
        EXPECT_EQ(Text(c.action->statusTip()), c.hint);
        EXPECT_EQ(c.action->actionGroup(), c.group);
        EXPECT_EQ(c.action->isCheckable(), c.autoCheck);
    }
    for (QActionGroup* group : {&f.IntervalGroup, &f.TrayGroup, &f.ServerGroup})
        EXPECT_TRUE(group->isExclusive());
}

TEST(MainForm, TrayMenuTree) {
    TestProgram program;
    MessageLog messages;
    auto form = program.Start();
    std::vector<std::string> lines;
    DescribeMenu(form->PopupMenu1, "", lines);
    const std::vector<std::string> expected = {
        "詳しい予報(&I)...",
        "最新の状態に更新(&R)",
        "Webページを開く(&W)...",
        "-",
        "自動更新(&A):",
        "  手動で更新(&M) ( )",
        "  1時間ごと(&1) (o)",
        "  3時間ごと(&3) ( )",
        "  6時間ごと(&6) ( )",
        "  6/12/18時(&A) ( )",
        "タスクトレイ表示(&S):",
        "  現在の天気(&C) (o)",
        "  今日の予報(&T) ( )",
        "  明日の予報(&O) ( )",
        "  現在の気温(&N) ( )",
        "  -",
        "  バルーンを表示(&B) [ ]",
        "  警報の通知(&K):",
        "    警報以上(&W) (o)",
        "    注意報も(&A) ( )",
        "    通知しない(&N) ( )",
        "  雨の通知(&R):",
        "    オン(&O) (o)",
        "    オフ(&F) ( )",
        "デスクトップ表示(&D):",
        "  表示/非表示(&S) [x]",
        "  最背面に表示(&B) [x]",
        "  位置を固定(&F) [ ]",
        "  -",
        "  デザインの変更(&K)...",
        "  -",
        "  標準の位置に戻す(&D)",
        "  -",
        "  ログイン時に起動(&O) [ ]",
        "-",
        "接続設定(&C):",
        "  TenkiLite(&T) ( )",
        "  Yahoo天気 (&Y) ( )",
        "  Open-Meteo(&O) ( )",
        "  気象庁(&J) (o)",
        "  -",
        "  プロキシの設定(&P)...",
        "地域の設定(&L)...",
        "-",
        "更新を確認(&U)...",
        "バージョン情報(&V)...",
        "-",
        "終了(&X)",
    };
    EXPECT_EQ(lines, expected);
}

TEST(MainForm, YahooIsCheckedBeforeTheSettingsAreRead) {
    // The design-time state; only visible when the settings step never runs.
    TestProgram program;
    MessageLog messages;
    program.WriteIni("[URL]\nPrefixTenkiLite=http://127.0.0.1:9/t/\n[Option]\nServer=0\n");
    auto form = program.Start();
    form->ActYahoo.setChecked(false);
    EXPECT_TRUE(form->ActTenkiJpLite.isChecked());
}

TEST(MainForm, StartUpWithoutLocationListOrSkin) {
    struct Case {
        const char* name;
        bool withSkin;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"no location list", true, {"urls.list"}},
        {"no skin either", false, {"スキンファイルが見つかりません。\n\n", "urls.list"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.withSkin)
            dir.Write("Skin/Simple/small.ini", "[General]\n");
        MessageLog messages;
        TMainForm form(dir.Path());
        ASSERT_EQ(messages.entries.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_NE(messages.entries[i].text.find(c.messages[i]), std::string::npos)
                << messages.entries[i].text;
            EXPECT_EQ(messages.entries[i].caption, "エラー");
            EXPECT_EQ(messages.entries[i].icon, platform::MsgIcon::Error);
        }
        if (!c.withSkin) {
            EXPECT_EQ(messages.entries[0].text, "スキンファイルが見つかりません。\n\n" +
                                                    dir.Path() + "/Skin/Simple/small.ini");
        }
        // The first refresh never ran: no status, the tray still shows the title and the
        // application's icon.
        EXPECT_EQ(form.Weather.Information, "");
        EXPECT_EQ(form.TrayHint(), "Pelumi");
        EXPECT_EQ(form.TrayIconIndex(), TMainForm::ApplicationIconIndex);
        EXPECT_TRUE(form.TrayIcon1.isVisible());
        EXPECT_FALSE(form.RetryTimer.isActive());
    }
}

TEST(MainForm, LocationFieldsAndTheirRange) {
    TestProgram program;
    MessageLog messages;
    program.WriteIni(
        "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/\nPrefixOpenMeteo=http://127.0.0.1:9/\n"
        "PrefixGeocoding=http://127.0.0.1:9/\n");
    program.dir.Write("urls.list", "\xEF\xBB\xBF"
                                   "関東・甲信,東京都,東京,t/1,t/2,y/1,y/2\n"
                                   "ヘッダ行\n"
                                   "近畿,大阪府,大阪,t/3,t/4,y/3,y/4\n");
    auto form = program.Start();
    ASSERT_EQ(form->GetLocationCount(), 2);
    EXPECT_EQ(form->GetLocationField(0, 2), "東京");
    EXPECT_EQ(form->GetLocationField(1, 6), "y/4");
    struct Case {
        std::int32_t index;
        std::int32_t field;
    };
    for (const Case c : {Case{-1, 0}, Case{2, 0}, Case{1, 7}, Case{0, -1}})
        EXPECT_THROW(form->GetLocationField(c.index, c.field), EListError)
            << c.index << "," << c.field;
    try {
        form->GetLocationField(5, 0);
    } catch (const EListError& e) {
        EXPECT_NE(std::string(e.what()).find("範囲外"), std::string::npos);
    }
}

namespace {

class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw EPelumiError("ハンドラで失敗しました");
        return QObject::event(e);
    }
};

} // namespace

TEST(MainForm, ExceptionEscapingAHandlerIsShownAndTheProgramGoesOn) {
    MessageLog messages;
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].text, "ハンドラで失敗しました");
    EXPECT_EQ(messages.entries[0].caption, "エラー");

    // A command's handler: the action's connection reports it.
    TestProgram program;
    auto form = program.Start();
    messages.entries.clear();
    std::filesystem::create_directories(program.IniPath() + "/blocked");
    form->ActFixPosition.trigger();
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_NE(messages.entries[0].text.find("保存できません"), std::string::npos);
}

TEST(MainForm, InModalFollowsNestedModalScopes) {
    TestProgram program;
    MessageLog messages;
    auto form = program.Start();
    EXPECT_FALSE(form->InModal);
    {
        TModalScope outer(*form);
        EXPECT_TRUE(form->InModal);
        {
            TModalScope inner(*form);
            EXPECT_TRUE(form->InModal);
        }
        EXPECT_TRUE(form->InModal);
    }
    EXPECT_FALSE(form->InModal);
}
