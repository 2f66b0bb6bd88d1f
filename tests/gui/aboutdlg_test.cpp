#include "dialogs/AboutDlg.h"
#include "platform/qt/Desktop.h"
#include "support/ScopedEnv.h"

#include "pelumi_version.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutDialog, TextsAndFrame) {
    TAboutDialog dialog(nullptr, "http://home.example/");
    EXPECT_EQ(dialog.size(), QSize(285, 145));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.Label1->text(), "Pelumi 2");
    EXPECT_TRUE(dialog.Label1->font().bold());
    EXPECT_EQ(dialog.Label1->font().pixelSize(), 12);
    // Read from this executable's own version section, which the build wrote.
    EXPECT_EQ(dialog.Label2->text(), QStringLiteral("version " PELUMI_FILE_VERSION));
    EXPECT_EQ(dialog.Label3->text(), "http://home.example/");
    EXPECT_TRUE(dialog.Label3->font().underline());
    EXPECT_EQ(dialog.Label3->cursor().shape(), Qt::PointingHandCursor);
    // The sources' terms ask for these lines: the agency's for its forecast and its nowcast,
    // Open-Meteo's for the three-hourly part.
    EXPECT_EQ(dialog.Label5->text(), "出典：気象庁ホームページ");
    EXPECT_EQ(dialog.Label6->text(), "降水ナウキャスト: 気象庁");
    EXPECT_EQ(dialog.Label4->text(), "3時間予報: Open-Meteo.com");
    const QLabel* lines[] = {dialog.Label2, dialog.Label5, dialog.Label6, dialog.Label4,
                             dialog.Label3};
    for (const QLabel* link : {dialog.Label4, dialog.Label5, dialog.Label6}) {
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    }
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        EXPECT_LE(lines[i]->geometry().right(), 285 - 8) << i;
        EXPECT_LE(lines[i]->geometry().bottom(), 145 - 8) << i;
        if (i > 0) {
            EXPECT_LE(lines[i - 1]->geometry().bottom(), lines[i]->geometry().top()) << i;
        }
    }
}

TEST(AboutDialog, WhatClosesIt) {
    struct Case {
        const char* name;
        std::function<void(TAboutDialog&)> act;
        bool closes;
        QStringList opened;
    };
    const Case cases[] = {
        {"left click on the empty area",
         [](TAboutDialog& d) { QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(250, 115)); },
         true,
         {}},
        {"right click on the empty area",
         [](TAboutDialog& d) { QTest::mouseClick(&d, Qt::RightButton, {}, QPoint(250, 10)); },
         true,
         {}},
        {"click on the title",
         [](TAboutDialog& d) { QTest::mouseClick(d.Label1, Qt::LeftButton); },
         false,
         {}},
        {"click on the version",
         [](TAboutDialog& d) { QTest::mouseClick(d.Label2, Qt::LeftButton); },
         false,
         {}},
        {"click on the link opens the home page",
         [](TAboutDialog& d) { QTest::mouseClick(d.Label3, Qt::LeftButton); },
         false,
         {"http://home.example/"}},
        {"click on the attribution opens the service's site",
         [](TAboutDialog& d) { QTest::mouseClick(d.Label4, Qt::LeftButton); },
         false,
         {"https://open-meteo.com/"}},
        {"click on the source opens the agency's forecast pages",
         [](TAboutDialog& d) { QTest::mouseClick(d.Label5, Qt::LeftButton); },
         false,
         {"https://www.jma.go.jp/bosai/forecast/"}},
        {"click on the nowcast's line opens the agency's nowcast pages",
         [](TAboutDialog& d) { QTest::mouseClick(d.Label6, Qt::LeftButton); },
         false,
         {"https://www.jma.go.jp/bosai/nowc/"}},
        {"Escape", [](TAboutDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, true, {}},
        {"Enter", [](TAboutDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, true, {}},
        {"Enter of the keypad",
         [](TAboutDialog& d) { QTest::keyClick(&d, Qt::Key_Enter); },
         true,
         {}},
        {"another key", [](TAboutDialog& d) { QTest::keyClick(&d, Qt::Key_A); }, false, {}},
    };
    for (const Case& c : cases) {
        QStringList opened;
        platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
        TAboutDialog dialog(nullptr, "http://home.example/");
        dialog.show();
        c.act(dialog);
        platform::SetOpenUrlHandler(nullptr);
        EXPECT_EQ(dialog.isVisible(), !c.closes) << c.name;
        EXPECT_EQ(opened, c.opened) << c.name;
    }
}

TEST(AboutDialog, NamesTheLicence) {
    TAboutDialog dialog(nullptr, "http://home.example/");
    dialog.show();
    const auto* licence = dialog.findChild<QLabel*>(QStringLiteral("LicenceLabel"));
    ASSERT_NE(licence, nullptr);
    EXPECT_EQ(licence->text(), "MIT License");
    EXPECT_TRUE(dialog.rect().contains(licence->geometry()));
    for (const QLabel* other : dialog.findChildren<QLabel*>()) {
        const bool overlaps = other != licence && licence->geometry().intersects(other->geometry());
        EXPECT_FALSE(overlaps) << other->text().toStdString();
    }
    // A text like the title: a click on it leaves the box open.
    QTest::mouseClick(const_cast<QLabel*>(licence), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
}

// The version and the links start where the title does; without a home page in the build there
// is no link to it.
TEST(AboutDialog, LinesInLineWithTheTitleAndNoEmptyLink) {
    for (const QString& home : {QStringLiteral("http://home.example/"), QString()}) {
        TAboutDialog dialog(nullptr, home);
        dialog.show();
        for (const QLabel* line :
             {dialog.Label2, dialog.Label3, dialog.Label4, dialog.Label5, dialog.Label6})
            EXPECT_EQ(line->x(), dialog.Label1->x()) << line->text().toStdString();
        EXPECT_EQ(dialog.Label3->isVisible(), !home.isEmpty()) << home.toStdString();
        EXPECT_TRUE(dialog.Label4->isVisible());
        EXPECT_TRUE(dialog.Label5->isVisible());
        EXPECT_TRUE(dialog.Label6->isVisible());
    }
}

// With no browser to be found the user is told, and given the address.
TEST(OpenUrl, WithoutABrowserSaysSo) {
    const ScopedEnv path("PATH", "/nonexistent");
    const ScopedEnv browser("BROWSER", "");
    const ScopedEnv defaultBrowser("DEFAULT_BROWSER", "");
    QStringList texts;
    platform::SetMessageBoxHandler(
        [&](const QString& text, const QString&, platform::MsgButtons, platform::MsgIcon) {
            texts << text;
            return platform::MsgResult::Ok;
        });
    platform::OpenUrl(QStringLiteral("https://www.jma.go.jp/bosai/forecast/"));
    platform::SetMessageBoxHandler(nullptr);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Webページを開けませんでした。")));
    EXPECT_TRUE(texts[0].endsWith(QStringLiteral("https://www.jma.go.jp/bosai/forecast/")));
}
