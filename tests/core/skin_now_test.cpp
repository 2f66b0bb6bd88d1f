// The labels of the weather now: their placeholders, the no-data text for 欠測 and for an
// observation older than an hour, and a skin without them drawing as before.
#include "platform/Clock.h"
#include "skin/Compose.h"
#include "skin/Skin.h"
#include "skin_images.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

namespace {

const TObservation kTokyo{"2026-10-04T08:40", "東京", 19.66, 0.5, 2.0, "北北東", 71.0};

std::string TextOf(const std::vector<TSkin::TLabelItem>& labels, const std::string& section) {
    for (const auto& l : labels)
        if (l.Section == section)
            return l.Text;
    ADD_FAILURE() << section;
    return {};
}

} // namespace

TEST(SkinNow, PlaceholdersOfEachValue) {
    TSkin skin;
    struct Case {
        const char* format;
        std::optional<double> value;
        bool valued;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"%t℃", 19.66, true, "東京", "19.7℃"},
        {"%i℃", 19.66, true, "東京", "20℃"},
        {"%t", -0.04, true, "", "0.0"},
        {"%i", -2.5, true, "", "-3"},
        {"%H:%N %r", std::nullopt, false, "東京", "08:40 東京"},
        {"%h時%N分", std::nullopt, false, "東京", "8時40分"},
        {"%r %tm/s", 2.0, true, "北北東", "北北東 2.0m/s"},
        {"%t℃", std::nullopt, true, "東京", "--"}, // 欠測
    };
    for (const Case& c : cases) {
        TLabelSetting setting;
        setting.DataFormat = c.format;
        setting.NoDataString = "--";
        EXPECT_EQ(skin.FormatObservation(kTokyo, c.value, c.valued, c.text, setting), c.expected)
            << c.format;
    }
    TLabelSetting setting;
    setting.DataFormat = "%H:%N";
    setting.NoDataString = "--";
    EXPECT_EQ(skin.FormatObservation(TObservation{}, std::nullopt, false, "", setting), "--");
}

TEST(SkinNow, ShownOnlyWithinTheHourOfTheObservation) {
    TempDir dir;
    WriteSolidPng(dir, "back.png", 60, 20, 0xFF000000);
    TSkin skin;
    skin.Load(dir.Write("now.ini", "[ImageFiles]\nBackground=back.png\n"
                                   "[Label]\nNoDataString=-\n"
                                   "[NowTempLabel]\nRect=0,0,60,10\nDataFormat=%t℃\n"
                                   "[NowTimeLabel]\nRect=0,10,60,20\nDataFormat=%H:%N %r\n"
                                   "[NowWindLabel]\nDataFormat=%r %t\n"
                                   "[NowHumidityLabel]\nDataFormat=%i%%\n"));
    TWeatherData weather;
    weather.Now = kTokyo;
    weather.Now.Humidity.reset(); // not observed
    // The computer's clock in Japan's zone is not needed: the observation's age counts.
    const std::int64_t at = *JapanTimeSeconds(kTokyo.Time);
    const auto labelsAt = [&](std::int64_t unixSeconds) {
        platform::FixClock(platform::ToLocalDateTime(unixSeconds));
        auto labels = skin.Labels(weather);
        platform::ReleaseClock();
        return labels;
    };
    auto labels = labelsAt(at + 59 * 60);
    EXPECT_EQ(TextOf(labels, "NowTempLabel"), "19.7℃");
    EXPECT_EQ(TextOf(labels, "NowTimeLabel"), "08:40 東京");
    EXPECT_EQ(TextOf(labels, "NowWindLabel"), "北北東 2.0");
    EXPECT_EQ(TextOf(labels, "NowHumidityLabel"), "-");
    labels = labelsAt(at + 61 * 60);
    EXPECT_EQ(TextOf(labels, "NowTempLabel"), "-");
    EXPECT_EQ(TextOf(labels, "NowTimeLabel"), "-");
}

TEST(SkinNow, ASkinWithoutTheSectionsDrawsAsBefore) {
    TempDir dir;
    WriteSolidPng(dir, "back.png", 40, 20, 0xFF204060);
    TSkin skin;
    skin.Load(dir.Write("old.ini", "[ImageFiles]\nBackground=back.png\n"
                                   "[Label]\nFontColor=clWhite\nNoDataString=--\n"
                                   "[LocationLabel]\nRect=0,0,40,20\n"));
    TWeatherData without;
    without.LocationName = "東京";
    TWeatherData with = without;
    with.Now = kTokyo;
    platform::FixClock(platform::ToLocalDateTime(*JapanTimeSeconds(kTokyo.Time)));
    TBitmap a, b;
    skin.Draw(&a, &without);
    skin.Draw(&b, &with);
    platform::ReleaseClock();
    EXPECT_TRUE(a == b);
}

TEST(SkinNow, TheTrayTemperatureIsWhiteDigitsInADarkRimAtEachScale) {
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const int side = static_cast<int>(16 * scale);
        const TBitmap none = TSkin::TrayTemperatureImage(NoValue, scale);
        ASSERT_EQ(none.Width(), side);
        ASSERT_EQ(none.Height(), side);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                ASSERT_EQ(none.Pixel(x, y), 0u);
        for (const std::int32_t degrees : {7, -12, 105}) {
            const TBitmap image = TSkin::TrayTemperatureImage(degrees, scale);
            ASSERT_EQ(image.Width(), side);
            EXPECT_EQ(image.PixelRatio(), scale);
            int white = 0, rim = 0;
            bool edgeClear = true;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    const std::uint32_t p = image.Pixel(x, y);
                    white += p == 0xFFFFFFFFu;
                    rim += (p >> 24) == 0xFF && (p & 0xFF) < 0x40;
                    if ((x == 0 || x == side - 1) && (p & 0xFF) > 0x80)
                        edgeClear = false; // the digits fit within their rim
                }
            EXPECT_GT(white, side) << degrees;
            EXPECT_GT(rim, side) << degrees;
            EXPECT_TRUE(edgeClear) << degrees;
        }
    }
    // Other degrees, another picture.
    EXPECT_FALSE(TSkin::TrayTemperatureImage(7) == TSkin::TrayTemperatureImage(8));
}
