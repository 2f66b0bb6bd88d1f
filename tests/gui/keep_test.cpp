// The forecast on show across failures, days, changes of place and source, and restarts; the
// tray telling the same story.
#include "FormFixture.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/SampleService.h"
#include "weather/KeptForecast.h"
#include "weather/RecordJson.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TWeatherData With(TWeatherData record, const std::string& status) {
    record.Information = status;
    return record;
}

// The no-data state with a status line.
TWeatherData Nothing(const std::string& status) {
    TWeatherData record;
    record.Clear();
    record.Information = status;
    return record;
}

TBitmap Drawn(TMainForm& form, TWeatherData record) {
    TBitmap bitmap;
    form.CurrentSkin.Draw(&bitmap, &record);
    return bitmap;
}

QImage TrayPicture(const TMainForm& form) {
    return form.TrayIcon1.icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The shipped skins and the sample list; TenkiLite from the sample service, whose today is
// 9 December 2026, the day the clock is fixed at.
class KeepTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        program.UseSampleListAndShippedSkins();
    }
    void TearDown() override { platform::ReleaseClock(); }

    // The service's addresses stay in the settings after it has stopped (no network).
    void WriteIni(const std::string& options = kOptions) {
        program.WriteIni("[URL]\nPrefixTenkiLite=" + tenkiLite + "\nPrefixYahoo=" + yahoo +
                         "\n[Option]\n" + options);
    }

    // Starts with a forecast on show and notes what it and the tray look like.
    std::unique_ptr<TMainForm> StartWithForecast(const std::string& options = kOptions) {
        WriteIni(options);
        auto form = program.Start();
        EXPECT_EQ(form->Weather.Information, "");
        EXPECT_NE(form->Weather.LocationName.find("千代田区"), std::string::npos);
        good = form->Weather;
        icon = form->TrayIconIndex();
        hint = form->TrayHint();
        EXPECT_NE(icon, TMainForm::ApplicationIconIndex);
        EXPECT_NE(icon, 5);
        return form;
    }

    // Every download from now on fails as without a network; counts them.
    void NetworkDown(TMainForm& form) {
        form.NewHttpClient = [this] {
            ++downloads;
            return std::make_unique<FakeHttpClient>();
        };
    }

    static constexpr const char* kOptions = "Server=0\nLocation=0\nRefreshInterval=0\n";
    std::unique_ptr<SampleService> service =
        std::make_unique<SampleService>(std::vector<std::string>{
            "--today", "2026-12-09", "--locations", TestData("locations/sample.list")});
    const std::string tenkiLite = service->TenkiLitePrefix();
    const std::string yahoo = service->YahooPrefix();
    TestProgram program;
    MessageLog messages;
    TWeatherData good;
    int icon = 0;
    std::string hint;
    int downloads = 0;
    // What the tray's hint puts before the forecast once a refresh has failed.
    const std::string failed = "更新に失敗しました (10時30分 取得の予報)\r\n";
};

} // namespace

TEST_F(KeepTest, AFailedRefreshKeepsTheForecastThroughEveryRetry) {
    auto form = StartWithForecast();
    NetworkDown(*form);
    form->ActRefresh.trigger();
    // Under way: the forecast stays, says it is connecting, and the tray still shows it.
    EXPECT_TRUE(form->Refreshing());
    EXPECT_RECORD_EQ(form->Weather, With(good, "接続しています"));
    EXPECT_EQ(form->WidgetBitmap, Drawn(*form, With(good, "接続しています")));
    EXPECT_EQ(form->TrayIconIndex(), icon);
    EXPECT_EQ(form->TrayHint(), hint);
    TestProgram::Settle(*form);

    const std::vector<std::string> statuses = {
        "再接続します (あと5回)", "再接続します (あと4回)", "再接続します (あと3回)",
        "再接続します (あと2回)", "再接続します (あと1回)", "データ取得に失敗",
    };
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        SCOPED_TRACE(statuses[i]);
        if (i > 0) {
            form->RetryTimerTimer();
            // The retry under way: the tray still says the last refresh failed.
            EXPECT_RECORD_EQ(form->Weather, With(good, "接続しています"));
            EXPECT_EQ(form->TrayHint(), failed + hint);
            TestProgram::Settle(*form);
        }
        EXPECT_RECORD_EQ(form->Weather, With(good, statuses[i]));
        EXPECT_EQ(form->WidgetBitmap, Drawn(*form, With(good, statuses[i])));
        EXPECT_EQ(form->TrayIconIndex(), icon);
        EXPECT_EQ(form->TrayHint(), failed + hint);
        EXPECT_EQ(form->RetryTimer.isActive(), i + 1 < statuses.size());
    }
    EXPECT_EQ(downloads, 6);

    // The network is back: a fresh forecast, and the tray no longer speaks of a failure.
    form->NewHttpClient = CreateHttpClient;
    platform::FixClock({2026, 12, 9, 10, 45, 0});
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    EXPECT_RECORD_EQ(form->Weather, good);
    EXPECT_EQ(form->TrayHint(), hint);
    EXPECT_EQ(form->ShownForecastFetchedAt(), platform::UnixSecondsNow());
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(KeepTest, AtANewDayYesterdaysForecastGoesAndASchedulerRefreshes) {
    using T = platform::LocalDateTime;
    struct Case {
        const char* name;
        int interval; // RefreshInterval
        T tick;
        bool dropped;
        bool refreshes;
    };
    const std::vector<Case> cases = {
        {"midnight, hourly", 1, {2026, 12, 10, 0, 0, 20}, true, true},
        {"midnight, by hand", 0, {2026, 12, 10, 0, 0, 20}, true, false},
        {"midnight, every 6 hours", 3, {2026, 12, 10, 0, 0, 20}, true, true},
        {"asleep from the evening to 7:10, 6/12/18", 4, {2026, 12, 10, 7, 10, 0}, true, true},
        {"asleep across two midnights, by hand", 0, {2026, 12, 11, 9, 0, 0}, true, false},
        {"a later minute of the same day", 1, {2026, 12, 9, 10, 59, 0}, false, false},
        {"a new hour of the same day", 1, {2026, 12, 9, 12, 0, 5}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        downloads = 0;
        auto form = StartWithForecast(
            "Server=0\nLocation=0\nRefreshInterval=" + std::to_string(c.interval) + "\n");
        const TBitmap before = form->WidgetBitmap;
        NetworkDown(*form);
        platform::FixClock(c.tick);
        form->ClockTimerTimer();
        EXPECT_EQ(downloads, c.refreshes ? 1 : 0);
        const std::string status = c.refreshes ? "接続しています" : "";
        const TWeatherData shown = c.dropped ? Nothing(status) : With(good, status);
        EXPECT_RECORD_EQ(form->Weather, shown);
        // Drawn as of the new hour: the point row starts at the present slot.
        EXPECT_EQ(form->WidgetBitmap, Drawn(*form, shown));
        if (c.dropped) {
            EXPECT_EQ(form->TrayIconIndex(), TMainForm::ApplicationIconIndex);
            EXPECT_EQ(form->TrayHint(), c.refreshes ? "Pelumi\r\n接続しています" : "Pelumi");
            EXPECT_EQ(form->ShownForecastKey(), "");
        }
        TestProgram::Settle(*form);
        if (c.refreshes) {
            EXPECT_RECORD_EQ(form->Weather, Nothing("再接続します (あと5回)"));
            EXPECT_EQ(form->TrayIconIndex(), 5);
            EXPECT_EQ(form->TrayHint(), "データ取得に失敗");
        }
        form->close();
    }
    // The hourly redraw moved the point row on, although no refresh ran.
    platform::FixClock({2026, 12, 9, 10, 30, 0});
    downloads = 0;
    auto form = StartWithForecast("Server=0\nLocation=0\nRefreshInterval=1\n");
    const TBitmap at1030 = form->WidgetBitmap;
    platform::FixClock({2026, 12, 9, 12, 0, 5});
    form->ClockTimerTimer();
    EXPECT_NE(form->WidgetBitmap, at1030);
    EXPECT_NE(form->TrayHint().find("12-15時 " + good.PointWeather[4]), std::string::npos)
        << form->TrayHint();
}

TEST_F(KeepTest, AnotherPlaceOrSourceDropsTheForecastAtOnce) {
    struct Case {
        const char* name;
        std::function<void(TMainForm&)> change;
        bool dropped;
    };
    const std::vector<Case> cases = {
        {"another place",
         [](TMainForm& f) {
             f.LocationIndex = 1;
             f.ActRefreshExecute(nullptr);
         },
         true},
        {"another source", [](TMainForm& f) { f.ActYahoo.trigger(); }, true},
        {"another proxy",
         [](TMainForm& f) {
             f.IdHTTP1->ProxyServer = "127.0.0.1";
             f.IdHTTP1->ProxyPort = 9;
             f.ActRefreshExecute(nullptr);
         },
         false},
        {"the same source picked again", [](TMainForm& f) { f.ActTenkiJpLite.trigger(); }, false},
        {"the refresh command", [](TMainForm& f) { f.ActRefresh.trigger(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = StartWithForecast();
        NetworkDown(*form);
        c.change(*form);
        EXPECT_TRUE(form->Refreshing());
        if (c.dropped) {
            EXPECT_RECORD_EQ(form->Weather, Nothing("接続しています"));
            EXPECT_EQ(form->TrayIconIndex(), TMainForm::ApplicationIconIndex);
            EXPECT_EQ(form->TrayHint(), "Pelumi\r\n接続しています");
        } else {
            EXPECT_RECORD_EQ(form->Weather, With(good, "接続しています"));
            EXPECT_EQ(form->TrayIconIndex(), icon);
            EXPECT_EQ(form->TrayHint(), hint);
        }
        TestProgram::Settle(*form);
        if (c.dropped) {
            EXPECT_RECORD_EQ(form->Weather, Nothing("再接続します (あと5回)"));
            EXPECT_EQ(form->TrayIconIndex(), 5);
            EXPECT_EQ(form->TrayHint(), "データ取得に失敗");
        } else {
            EXPECT_RECORD_EQ(form->Weather, With(good, "再接続します (あと5回)"));
            EXPECT_EQ(form->TrayIconIndex(), icon);
            EXPECT_EQ(form->TrayHint(), failed + hint);
        }
        form->close();
    }
}

TEST_F(KeepTest, AnErrorKeepsTheForecastAndAnUnknownPlaceDropsIt) {
    struct Case {
        const char* name;
        std::exception_ptr error;
        TWeatherData shown; // filled below
        bool dropped;
    };
    const std::string notFound = "「東京都 千代田区」が見つかりません";
    std::vector<Case> cases = {
        {"an impossible date", std::make_exception_ptr(EConvertError("2026/13/40")), {}, false},
        {"the place is unknown", std::make_exception_ptr(ELocationNotFound(notFound)), {}, true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = StartWithForecast();
        form->ApplyForecastOutcome(form->CurrentForecastRequest(), {}, c.error);
        EXPECT_RECORD_EQ(form->Weather,
                         c.dropped ? Nothing(notFound) : With(good, "データ取得に失敗"));
        EXPECT_FALSE(form->RetryTimer.isActive());
        EXPECT_EQ(form->TrayIconIndex(), c.dropped ? 5 : icon);
        EXPECT_EQ(form->TrayHint(), c.dropped ? "データ取得に失敗" : failed + hint);
        form->close();
    }
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(KeepTest, AfterARestartWithoutNetworkTheKeptForecastIsShownAtOnce) {
    auto form = StartWithForecast();
    const std::string key = form->ShownForecastKey();
    const std::int64_t fetched = form->ShownForecastFetchedAt();
    ASSERT_FALSE(key.empty());
    // What the cache folder keeps is this forecast, for this source and place.
    const auto kept = LoadKeptForecast(platform::TCache(form->CacheFolder),
                                       KeptForecastName(form->SettingsFileName), key, Today());
    ASSERT_TRUE(kept);
    EXPECT_RECORD_EQ(kept->Record, good);
    EXPECT_EQ(kept->FetchedAt, fetched);
    form->close();
    form.reset();

    service.reset(); // no network
    platform::FixClock({2026, 12, 9, 13, 15, 0});
    form = std::make_unique<TMainForm>(program.Folder());
    // Before the first download has ended.
    EXPECT_TRUE(form->Refreshing());
    EXPECT_RECORD_EQ(form->Weather, With(good, "接続しています"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->WidgetBitmap, Drawn(*form, With(good, "接続しています")));
    EXPECT_EQ(form->ShownForecastKey(), key);
    EXPECT_EQ(form->ShownForecastFetchedAt(), fetched);
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::WeatherIconIndex(good.PointWeather[4]));
    EXPECT_NE(form->TrayHint().find("12-15時 " + good.PointWeather[4]), std::string::npos)
        << form->TrayHint();
    const std::string afternoon = form->TrayHint();

    TestProgram::Settle(*form);
    EXPECT_RECORD_EQ(form->Weather, With(good, "再接続します (あと5回)"));
    EXPECT_EQ(form->TrayHint(), failed + afternoon);
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(KeepTest, AKeptForecastOfAnotherDayPlaceOrFormatIsIgnored) {
    auto form = StartWithForecast();
    // Named after the settings file.
    const std::string name = KeptForecastName(form->SettingsFileName);
    const std::string path = platform::TCache(form->CacheFolder).PathOf(name);
    const std::string file = ReadAll(path);
    ASSERT_FALSE(file.empty());
    form->close();
    form.reset();
    service.reset();

    using T = platform::LocalDateTime;
    struct Case {
        const char* name;
        std::string content;
        std::string options;
        T clock;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"this place's forecast of today", file, kOptions, {2026, 12, 9, 18, 0, 0}, true},
        {"yesterday's", file, kOptions, {2026, 12, 10, 6, 0, 0}, false},
        {"another place's", file, "Server=0\nLocation=1\n", {2026, 12, 9, 18, 0, 0}, false},
        {"another source's", file, "Server=1\nLocation=0\n", {2026, 12, 9, 18, 0, 0}, false},
        {"a dump without what it was made for",
         WriteRecordJson(good, true),
         kOptions,
         {2026, 12, 9, 18, 0, 0},
         false},
        {"cut short", file.substr(0, file.size() - 40), kOptions, {2026, 12, 9, 18, 0, 0}, false},
        {"not JSON at all", std::string(300, '\xFF'), kOptions, {2026, 12, 9, 18, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FixClock(c.clock);
        program.dir.Write("cache/" + name, c.content);
        WriteIni(c.options);
        auto again = std::make_unique<TMainForm>(program.Folder());
        EXPECT_RECORD_EQ(again->Weather,
                         c.shown ? With(good, "接続しています") : Nothing("接続しています"));
        TestProgram::Settle(*again);
        again->close();
    }
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(KeepTest, AForecastThatCannotBeKeptIsStillShown) {
    program.dir.Write("cache", "a file where the cache folder belongs");
    auto form = StartWithForecast();
    EXPECT_TRUE(HoldsForecast(form->Weather));
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(KeepTest, TheTrayInEachState) {
    // Start-up: the application's own icon, not a sunny sky.
    service.reset();
    WriteIni();
    auto form = std::make_unique<TMainForm>(program.Folder());
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::ApplicationIconIndex);
    EXPECT_EQ(form->TrayHint(), "Pelumi\r\n接続しています");
    const QImage application = QIcon(QStringLiteral(":/pelumi/program.png"))
                                   .pixmap(16, 16)
                                   .toImage()
                                   .convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(TrayPicture(*form), application);
    // Failed with nothing to show.
    TestProgram::Settle(*form);
    EXPECT_EQ(form->TrayIconIndex(), 5);
    EXPECT_EQ(form->TrayHint(), "データ取得に失敗");
    EXPECT_NE(TrayPicture(*form), application);
    // A retry under way with nothing to show is not a failure yet.
    form->RetryTimerTimer();
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::ApplicationIconIndex);
    EXPECT_EQ(form->TrayHint(), "Pelumi\r\n接続しています");
    EXPECT_EQ(TrayPicture(*form), application);
    TestProgram::Settle(*form);
    // A mode change with nothing to show builds no hint from an empty record.
    form->ActTodayForecast.trigger();
    EXPECT_EQ(form->TrayIconIndex(), 5);
    EXPECT_EQ(form->TrayHint(), "データ取得に失敗");
}

TEST_F(KeepTest, TheNetworkComingBackRunsAPendingRetryAtOnce) {
    auto form = StartWithForecast();
    NetworkDown(*form);
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    ASSERT_TRUE(form->RetryTimer.isActive());
    ASSERT_EQ(downloads, 1);

    form->NetworkReachabilityChanged(false);
    EXPECT_EQ(downloads, 1);
    EXPECT_TRUE(form->RetryTimer.isActive());

    form->NewHttpClient = [this] {
        ++downloads;
        return CreateHttpClient();
    };
    form->NetworkReachabilityChanged(true);
    EXPECT_EQ(downloads, 2);
    EXPECT_TRUE(form->Refreshing());
    EXPECT_FALSE(form->RetryTimer.isActive());
    TestProgram::Settle(*form);
    EXPECT_RECORD_EQ(form->Weather, good);

    // Nothing pending: the network's coming back starts nothing.
    form->NetworkReachabilityChanged(true);
    EXPECT_EQ(downloads, 2);
    EXPECT_FALSE(form->Refreshing());
}
