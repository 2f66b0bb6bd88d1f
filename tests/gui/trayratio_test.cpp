// The tray icon at the screen's pixel ratio: one form of the picture per ratio, so the tray
// paints the skin's own 2x image on a screen at twice the ratio instead of enlarging 16 x 16.
#include "FormFixture.h"

#include "skin/Png.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

bool SamePixels(const QImage& shown, const TBitmap& bitmap) {
    const QImage image = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.width() != bitmap.Width() || image.height() != bitmap.Height())
        return false;
    for (int y = 0; y < bitmap.Height(); ++y)
        if (std::memcmp(image.constScanLine(y), bitmap.Scanline(y),
                        static_cast<std::size_t>(bitmap.Width()) * 4) != 0)
            return false;
    return true;
}

} // namespace

TEST(TrayRatio, TheIconHoldsTheSkinsTrayImagesAtOneAndTwiceTheRatio) {
    TestProgram program;
    program.dir.Write("urls.list", "");
    std::filesystem::copy(std::string(PELUMI_BIN_DIR) + "/Skin", program.dir.File("Skin"),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    MessageLog messages;
    auto form = program.Start();
    ASSERT_EQ(form->ImageList1.Images.size(), 7u);
    ASSERT_EQ(form->ScaledImageLists.size(), 1u); // this screen is at 1: only the 2x forms
    const TImageList& twice = form->ScaledImageLists.front();
    ASSERT_EQ(twice.Images.size(), 7u);
    EXPECT_EQ(twice.Width, 32);
    // The skin's own drawing at 2x, not its 16 x 16 image enlarged.
    TBitmap rain = LoadPng(program.dir.File("Skin/Simple/img/tray_rain@2x.png"));
    rain.SetPixelRatio(2.0);
    EXPECT_EQ(twice.Images[2], rain);

    for (const int index : {0, 2, 5}) {
        SCOPED_TRACE(index);
        form->SetTrayIconIndex(index);
        const QIcon icon = form->TrayIcon1.icon();
        const QPixmap one = icon.pixmap(QSize(16, 16), 1.0);
        const QPixmap two = icon.pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(two.devicePixelRatio(), 2.0);
        EXPECT_TRUE(SamePixels(one.toImage(), form->ImageList1.Images[index]));
        EXPECT_TRUE(SamePixels(two.toImage(), twice.Images[index]));
    }
}

TEST(TrayRatio, ABrokenFirstTrayImageLeavesThePlaceholderAlone) {
    // The 1x images fail at the first one, so the placeholder stays; a good @2x image beside
    // the broken one must not put the skin's picture beside it.
    TestProgram program;
    program.dir.Write("urls.list", "");
    program.dir.Write("Skin/Simple/small.ini", "[ImageFiles]\nTrayFine=fine.png\n");
    program.dir.Write("Skin/Simple/fine.png", "\x89PNG\r\n\x1a\n broken");
    SavePng(program.dir.File("Skin/Simple/fine@2x.png"), TBitmap(32, 32));
    MessageLog messages;
    auto form = program.Start();
    EXPECT_EQ(form->ImageList1.Images.size(), 1u);
    EXPECT_TRUE(form->ScaledImageLists.empty());
    EXPECT_FALSE(form->TrayIcon1.icon().isNull());
    ASSERT_FALSE(messages.entries.empty()); // the broken picture is reported
    EXPECT_NE(messages.entries.front().text.find("fine.png"), std::string::npos);
}
