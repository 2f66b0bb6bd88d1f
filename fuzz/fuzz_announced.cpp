// The remembered warnings and the balloon: the input is the kept file's text, a NUL byte, and an
// r8 answer. Whatever the file holds, the list keeps at most its bound of lines and writes back
// what it read; the warnings announced are among those in force, are not announced twice, and
// their balloon stays within its length.
#include "fuzz/FuzzCheck.h"
#include "platform/TextCodec.h"
#include "weather/WarningNotices.h"
#include "weather/jma/JmaWarnings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view file = input.substr(0, split);
    const std::string_view answer =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    TAnnouncedWarnings announced = TAnnouncedWarnings::FromText(file);
    Check(announced.Size() <= TAnnouncedWarnings::MaxLines);
    const std::string text = announced.Text();
    Check(TAnnouncedWarnings::FromText(text).Text() == text);

    // The seeds' municipality (稚内市), at noon of their day in Japan.
    const auto read = ReadJmaWarnings(answer, "0121400", 1791082800);
    if (!read)
        return 0;
    const std::string place = "北海道 稚内市";
    for (const TWarningNotice notice :
         {TWarningNotice::Warnings, TWarningNotice::Advisories, TWarningNotice::Off}) {
        const auto now = announced.Announce(place, read->Warnings, read->Reports, notice);
        for (const TWarning& w : now)
            Check(std::find(read->Warnings.begin(), read->Warnings.end(), w) !=
                  read->Warnings.end());
        Check(announced.Announce(place, read->Warnings, read->Reports, notice).empty());
        Check(announced.Size() <= TAnnouncedWarnings::MaxLines);
        const std::string balloon = WarningNoticeText("稚内市", now);
        Check(platform::IsValidUtf8(balloon) &&
              platform::Utf8Length(balloon) <= kMaxNoticeCharacters);
    }
    return 0;
}
