#include "platform/Paths.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "skin/SkinPaths.h"

#include <array>

void TSkin::LoadTrayImages(TImageList* list) {
    if (!list || !platform::FileExists(FileName))
        return;
    list->Images.clear();
    list->Width = 16;
    list->Height = 16;
    const std::array<const std::string*, 6> names{&ImageFiles.TrayFine, &ImageFiles.TrayCloudy,
                                                  &ImageFiles.TrayRain, &ImageFiles.TraySnow,
                                                  &ImageFiles.TrayNA,   &ImageFiles.TrayError};
    TBitmap work(list->Width, list->Height);
    for (const std::string* name : names) {
        const std::string path = SkinImagePath(SkinDir, *name);
        if (platform::FileExists(path))
            ResampleBitmap(LoadPng(path), work);
        else
            FillBitmapRect(work, 0xFFFFFF, 0, 0, work.Width(), work.Height());
        list->Images.push_back(work);
    }
}
