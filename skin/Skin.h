#pragma once

#include "skin/Surface.h"

#include <string>

class TWeatherData;

// The loaded skin: the path of its file and the load-time sections. Owned once by the main
// window; loads a skin file, draws the forecast record into the widget bitmap and fills the
// tray's image list.
class TSkin {
public:
    TSkin();

    // Reads the skin file at `path` (full native path). Never fails: a missing or unreadable
    // file gives every key its default. The caller checks that the file exists first.
    void Load(const std::string& path);

    // Draws the whole widget into `bitmap` (kept by the caller between calls). Does nothing
    // without a skin file or a background image. An error while drawing (a broken PNG, a bad
    // FontColor) ends the pass with what was drawn kept and propagates.
    void Draw(TBitmap* bitmap, const TWeatherData* weather);

    // Refills the tray image list with the skin's six 16 x 16 images. Does nothing without a
    // skin file. A broken PNG propagates its error; the list keeps the images added before.
    void LoadTrayImages(TImageList* list);

    std::string FileName; // full path of the loaded skin file; empty before the first load
    std::string SkinDir;  // folder of FileName with a trailing separator
};
