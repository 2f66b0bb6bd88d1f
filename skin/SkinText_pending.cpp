// Placeholder until text drawing lands: labels draw nothing.
#include "skin/Skin.h"

class TFont {};

void TSkin::DrawLabel(TBitmap*, std::string_view, const TLabelSetting*) const {}

std::unique_ptr<TFont> TSkin::CreateLabelFont(const TLabelSetting&) const {
    return nullptr;
}

void TSkin::RenderText(TBitmap*, int, int, std::string_view, const TRect&, bool, TColor,
                       const TLabelSetting&) const {}
