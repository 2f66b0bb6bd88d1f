// Placeholder until the skin engine lands: the model keeps only its file and folder.
// TODO(skin): replaced by the full model, composition, text and tray images.
#include "skin/Skin.h"

#include "platform/Paths.h"

TSkin::TSkin() = default;
TSkin::~TSkin() = default;

void TSkin::Load(const std::string& path) {
    FileName = path;
    SkinDir = platform::ExtractFilePath(path);
}

void TSkin::Draw(TBitmap*, const TWeatherData*) {}

void TSkin::LoadTrayImages(TImageList*) {}
