#include "weather/HttpClient.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <cstring>

std::string GetPage(THttpClient& client, const std::string& url) {
    std::string body;
    try {
        body = client.Get(url);
        client.Disconnect();
    } catch (...) {
        return {};
    }
    std::string_view text = body;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!platform::IsValidUtf8(text))
        return {};

    // Lines end at CR, LF or CR LF; each comes back ending in CR LF. The next CR and LF are
    // found with memchr and remembered, so long pages cost one pass.
    std::string result;
    result.reserve(text.size() + text.size() / 16 + 2);
    const char* const data = text.data();
    const std::size_t n = text.size();
    auto next = [&](char c, std::size_t from) {
        const void* hit = std::memchr(data + from, c, n - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : n;
    };
    std::size_t nextCr = next('\r', 0);
    std::size_t nextLf = next('\n', 0);
    std::size_t pos = 0;
    while (pos < n) {
        if (nextCr < pos)
            nextCr = next('\r', pos);
        if (nextLf < pos)
            nextLf = next('\n', pos);
        const std::size_t end = std::min(nextCr, nextLf);
        result.append(data + pos, end - pos).append("\r\n");
        pos = end + (end + 1 < n && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
    }
    return result;
}
