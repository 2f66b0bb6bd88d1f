// The agency's warning files (r8) for a municipality. Whatever the input, the reading never
// throws and gives only what the record can show: warnings with a code, a name and a tier, in
// the record's order, one per code, each with its report time, none of them cancelled, the
// table's kinds and a few unknown codes at most; an unknown place has nothing.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaWarnings.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The seeds' municipality (稚内市), at noon of their day in Japan.
    const auto read = ReadJmaWarnings(input, "0121400", 1791082800);
    if (!read)
        return 0;
    if (!read->Known) {
        Check(*read == TJmaWarnings{});
        return 0;
    }
    Check(read->Warnings.size() <= WarningKinds().size() + kMaxUnknownWarningCodes);
    std::size_t unknown = 0;
    Check(read->Reports.size() == read->Warnings.size());
    // A report whose time cannot be read still counts; its warnings then carry no time.
    Check(read->Time.empty() || !read->Warnings.empty());
    std::set<std::string> codes;
    for (std::size_t i = 0; i < read->Warnings.size(); ++i) {
        const TWarning& w = read->Warnings[i];
        Check(!w.Code.empty() && !w.Name.empty());
        Check(w.Status != "解除" && w.Status != "発表警報・注意報はなし");
        Check(w.Level >= TWarningLevel::Advisory && w.Level <= TWarningLevel::Emergency);
        Check(codes.insert(w.Code).second);
        unknown += w.Name.starts_with("警報・注意報 (コード") ? 1 : 0;
        Check(read->Reports[i] <= read->Time);
        Check(read->Reports[i].empty() || !read->Time.empty());
        if (i > 0) {
            const TWarning& before = read->Warnings[i - 1];
            Check(before.Level > w.Level || (before.Level == w.Level && before.Code < w.Code));
        }
    }
    Check(unknown <= kMaxUnknownWarningCodes);
    return 0;
}
