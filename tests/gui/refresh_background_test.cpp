// The main window while a download runs: what the widget shows, which commands start a new
// download, which leave the running one alone, and that a cancelled one changes nothing.
#include "FormFixture.h"
#include "ModalScript.h"

#include "platform/Clock.h"
#include "support/Gate.h"
#include "support/SampleService.h"
#include "support/SilentServer.h"
#include "weather/CurlHttpClient.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace {

// The widget's picture on screen, as the window paints it.
TBitmap OnScreen(TMainForm& form) {
    const QImage image = form.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    TBitmap bitmap(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::copy(line, line + image.width(), bitmap.Scanline(y));
    }
    return bitmap;
}

// The skin's drawing of a cleared record that carries only `status`.
TBitmap DrawnStatus(TMainForm& form, const std::string& status) {
    TWeatherData record;
    record.Clear();
    record.Information = status;
    TBitmap bitmap;
    form.CurrentSkin.Draw(&bitmap, &record);
    return bitmap;
}

// A program folder with the shipped skins and the sample list whose sources are `base`.
class RefreshBackgroundTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        program.UseSampleListAndShippedSkins();
    }
    void TearDown() override { platform::ReleaseClock(); }

    void WriteIni(const std::string& base, const std::string& options = "") {
        program.WriteIni("[URL]\nPrefixTenkiLite=" + base + "lite/\nPrefixYahoo=" + base +
                         "weather/jp/\n[Option]\nServer=0\nLocation=0\nUpdateCheckURL=" + base +
                         "version.txt\n" + options);
    }

    // Starts the window and waits until its first download has reached the silent server->
    std::unique_ptr<TMainForm> StartSilent() {
        WriteIni(server->BaseUrl());
        auto form = std::make_unique<TMainForm>(program.Folder());
        EXPECT_TRUE(QTest::qWaitFor([&] { return server->Accept(0) == 1; }, 10000));
        return form;
    }

    std::unique_ptr<SilentServer> server = std::make_unique<SilentServer>();
    TestProgram program;
    MessageLog messages;
};

} // namespace

TEST_F(RefreshBackgroundTest, TheClearedWidgetShowsConnectingForAsLongAsTheDownloadRuns) {
    auto form = StartSilent();
    // Start-up is over while the server has not answered: the widget and the tray are there.
    EXPECT_TRUE(form->Refreshing());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->TrayIcon1.isVisible());
    EXPECT_EQ(form->TrayHint(), "Pelumi\r\n接続しています");
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::ApplicationIconIndex);

    const TBitmap connecting = DrawnStatus(*form, "接続しています");
    ASSERT_FALSE(connecting.Empty());
    // The status is visible: its drawing is not that of a bare cleared record.
    ASSERT_NE(connecting, DrawnStatus(*form, ""));
    for (int wait : {0, 300}) {
        SCOPED_TRACE(wait);
        QTest::qWait(wait);
        EXPECT_EQ(form->Weather.Information, "接続しています");
        EXPECT_EQ(form->Weather.LocationName, "");
        EXPECT_EQ(form->WidgetBitmap, connecting);
        EXPECT_EQ(OnScreen(*form), connecting);
    }

    // 終了 stops the transfer and saves; the failure the aborted download would report never
    // reaches the record.
    std::filesystem::remove(program.IniPath());
    form->ActExit.trigger();
    TestProgram::Settle(*form);
    EXPECT_TRUE(server->AllClientsLeft(1000));
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Location", -1), 0);
    EXPECT_EQ(form->Weather.Information, "接続しています");
    EXPECT_FALSE(form->RetryTimer.isActive());
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(RefreshBackgroundTest, RefreshCommandsDuringADownloadLetItStand) {
    auto form = StartSilent();
    int made = 0;
    form->NewHttpClient = [&made] {
        ++made;
        return CreateHttpClient();
    };
    // As if this attempt were a late retry: three of the five taken.
    for (int taken = 0; taken < 3; ++taken)
        form->Schedule.Failed(TFeed::Forecast, platform::UnixSecondsNow());
    ASSERT_EQ(form->Schedule.RetriesLeft(TFeed::Forecast), 2);
    form->ActRefresh.trigger();
    form->ActRefresh.trigger();
    form->ActTenkiJpLite.trigger(); // the source already chosen
    form->ActRefreshExecute(nullptr);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(server->Accept(200), 1);
    EXPECT_FALSE(server->ClientLeft(0, 0));
    EXPECT_TRUE(form->Refreshing());
    EXPECT_EQ(form->Weather.Information, "接続しています");
    // The refresh command still restores the retry budget for the attempt under way.
    EXPECT_EQ(form->RetryTimer.Tag, 5);
    form->close();
}

TEST_F(RefreshBackgroundTest, AChangeOfPlaceSourceOrProxyCancelsTheDownloadAndStartsOne) {
    struct Case {
        const char* name;
        std::function<void(TMainForm&, const SilentServer&)> change;
    };
    const std::vector<Case> cases = {
        {"place",
         [](TMainForm& f, const SilentServer&) {
             f.LocationIndex = 1;
             f.ActRefreshExecute(nullptr);
         }},
        {"source", [](TMainForm& f, const SilentServer&) { f.ActYahoo.trigger(); }},
        {"proxy",
         [](TMainForm& f, const SilentServer& s) {
             f.IdHTTP1->ProxyServer = "127.0.0.1";
             f.IdHTTP1->ProxyPort = s.Port();
             f.ActRefreshExecute(nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server = std::make_unique<SilentServer>();
        auto form = StartSilent();
        int made = 0;
        form->NewHttpClient = [&made] {
            ++made;
            return CreateHttpClient();
        };
        c.change(*form, *server);
        EXPECT_EQ(made, 1);
        EXPECT_EQ(server->Accept(10000), 2);
        EXPECT_TRUE(server->ClientLeft(0, 5000));
        EXPECT_FALSE(server->ClientLeft(1, 100));
        EXPECT_TRUE(form->Refreshing());
        EXPECT_EQ(form->Weather.Information, "接続しています");
        form->close();
        TestProgram::Settle(*form);
    }
}

namespace {

// Fetches once its gate is open, taking no notice of Cancel meanwhile, like a transfer that had
// just ended when it was cancelled.
class TGatedCurl : public THttpClient {
public:
    explicit TGatedCurl(std::shared_ptr<TGate> gate) : gate_(std::move(gate)) {}
    std::string Get(const std::string& url) override {
        gate_->Wait();
        return inner_.Get(url);
    }

private:
    std::shared_ptr<TGate> gate_;
    TCurlHttpClient inner_;
};

} // namespace

TEST_F(RefreshBackgroundTest, ACancelledDownloadsForecastNeverReachesTheRecord) {
    SampleService service{
        {"--today", "2026-12-09", "--locations", TestData("locations/sample.list")}};
    WriteIni(service.BaseUrl());
    auto form = program.Start();
    ASSERT_NE(form->Weather.LocationName.find("千代田区"), std::string::npos);

    std::vector<std::shared_ptr<TGate>> gates;
    form->NewHttpClient = [&gates] {
        gates.push_back(std::make_shared<TGate>());
        return std::make_unique<TGatedCurl>(gates.back());
    };
    form->ActRefresh.trigger(); // Chiyoda again, held at its gate
    ASSERT_EQ(gates.size(), 1u);
    form->LocationIndex = 1; // Sapporo
    form->ActRefreshExecute(nullptr);
    ASSERT_EQ(gates.size(), 2u);
    gates[1]->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Refreshing(); }, 20000));
    EXPECT_NE(form->Weather.LocationName.find("札幌市"), std::string::npos);
    const std::string hint = form->TrayHint();
    const TBitmap picture = form->WidgetBitmap;

    // The superseded download of Chiyoda now ends with a forecast: nobody takes it.
    gates[0]->Open();
    TestProgram::Settle(*form);
    EXPECT_NE(form->Weather.LocationName.find("札幌市"), std::string::npos);
    EXPECT_EQ(form->Weather.Information, "");
    EXPECT_EQ(form->TrayHint(), hint);
    EXPECT_EQ(form->WidgetBitmap, picture);
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(RefreshBackgroundTest, TheUpdateCheckRunsBesideTheWidgetAndEndsWithTheProgram) {
    auto form = StartSilent();
    form->ActUpdateCheck.trigger();
    EXPECT_TRUE(form->CheckingForUpdate());
    EXPECT_EQ(server->Accept(10000), 2);
    // A second click while the first check runs asks nothing more.
    form->ActUpdateCheck.trigger();
    EXPECT_EQ(server->Accept(200), 2);
    EXPECT_TRUE(messages.entries.empty());
    // Nothing else waits for it: the refresh command works, and its download stays the one.
    form->ActRefresh.trigger();
    EXPECT_EQ(form->Weather.Information, "接続しています");

    form->ActExit.trigger();
    TestProgram::Settle(*form);
    EXPECT_TRUE(server->AllClientsLeft(1000));
    EXPECT_FALSE(form->CheckingForUpdate());
    // A check the user no longer waits for shows no message.
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(RefreshBackgroundTest, DialogsAndShowingWorkWhileADownloadWaits) {
    auto form = StartSilent();
    bool sawDialog = false;
    WhenModal([&](QDialog* d) {
        sawDialog = true;
        d->reject();
    });
    form->ActLocationSetting.trigger();
    EXPECT_TRUE(sawDialog);
    form->ActShowWindow.setChecked(false);
    form->ActShowWindowExecute(nullptr);
    EXPECT_FALSE(form->isVisible());
    form->ActShowWindow.setChecked(true);
    form->ActShowWindowExecute(nullptr);
    EXPECT_TRUE(form->isVisible());
    // None of it touched the download.
    EXPECT_EQ(server->Accept(100), 1);
    EXPECT_FALSE(server->ClientLeft(0, 0));
    EXPECT_TRUE(form->Refreshing());
    EXPECT_EQ(form->Weather.Information, "接続しています");
    form->close();
}

TEST_F(RefreshBackgroundTest, AForecastThatArrivesWhileADialogIsOpenIsShownAtOnce) {
    SampleService service{
        {"--today", "2026-12-09", "--locations", TestData("locations/sample.list")}};
    WriteIni(service.BaseUrl());
    auto gate = std::make_shared<TGate>();
    auto form = program.Start();
    form->NewHttpClient = [gate] { return std::make_unique<TGatedCurl>(gate); };
    form->LocationIndex = 3; // Nagano, held at the gate
    form->ActRefreshExecute(nullptr);
    std::string shownInDialog;
    WhenModal([&](QDialog* d) {
        gate->Open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Refreshing(); }, 20000));
        shownInDialog = form->Weather.LocationName;
        d->reject();
    });
    form->ActAbout.trigger();
    EXPECT_NE(shownInDialog.find("長野市"), std::string::npos) << shownInDialog;
    EXPECT_EQ(form->Weather.Information, "");
}
