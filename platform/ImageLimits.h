#pragma once

// Images larger than this in either direction are refused like a broken file, so that a hostile
// or mistaken image cannot exhaust memory: the skins' images and the agency's map tiles alike.
constexpr int kMaxImageSide = 4096;
