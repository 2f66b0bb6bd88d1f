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
    // Fog is the last, so the six indexes before it keep their meaning.
    const std::array<const std::string*, kTrayImageCount> names{
        &ImageFiles.TrayFine, &ImageFiles.TrayCloudy, &ImageFiles.TrayRain, &ImageFiles.TraySnow,
        &ImageFiles.TrayNA,   &ImageFiles.TrayError,  &ImageFiles.TrayFog};
    TBitmap work(list->Width, list->Height);
    for (const std::string* name : names) {
        std::string path = SkinImagePath(SkinDir, *name);
        // A skin without a fog image shows fog as cloud, as its icons do.
        if (name == &ImageFiles.TrayFog && !platform::FileExists(path))
            path = SkinImagePath(SkinDir, ImageFiles.TrayCloudy);
        if (platform::FileExists(path))
            ResampleBitmap(LoadPng(path), work);
        else
            FillBitmapRect(work, 0xFFFFFF, 0, 0, work.Width(), work.Height());
        list->Images.push_back(work);
    }
}
