#include "weather/CurlHttpClient.h"

#include "pelumi_version.h"
#include "platform/Errors.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>

namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw EHttpError("通信ライブラリを初期化できませんでした。");
    });
}

struct Body {
    std::string bytes;
    std::size_t limit = 0;
    bool tooLarge = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const std::size_t n = size * count;
    if (body->bytes.size() + n > body->limit) {
        body->tooLarge = true;
        return 0; // aborts the transfer
    }
    body->bytes.append(data, n);
    return n;
}

int StopWhenCancelled(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const THttpClient*>(client)->Cancelled() ? 1 : 0; // 1 aborts
}

// A validator goes back into a request line by line: one that could break the request's head
// (a line break or another control character from a damaged cache file) is not sent.
bool SafeHeaderValue(const std::string& value) {
    if (value.empty() || value.size() > 1024)
        return false;
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

// A header of the final answer (after redirects); empty when it has none.
std::string ResponseHeader(CURL* easy, const char* name) {
    curl_header* header = nullptr;
    if (curl_easy_header(easy, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header ||
        !header->value)
        return {};
    const std::string value = header->value;
    return SafeHeaderValue(value) ? value : std::string();
}

} // namespace

struct TCurlHttpClient::Impl {
    CURL* easy = nullptr;
    // The transfer runs through a multi handle only so that Cancel can wake its wait at once
    // (curl_multi_wakeup); the blocking easy call would notice up to a second later.
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    std::size_t maxBody = 0;

    ~Impl() {
        curl_multi_cleanup(multi);
        curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }

    // curl_easy_perform, but woken by WakeTransfer.
    CURLcode Perform() {
        if (curl_multi_add_handle(multi, easy) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode result = CURLE_FAILED_INIT;
        int running = 1;
        CURLMcode mc = CURLM_OK;
        while (running > 0 && mc == CURLM_OK) {
            mc = curl_multi_perform(multi, &running);
            if (running > 0 && mc == CURLM_OK)
                mc = curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued))
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
                result = msg->data.result;
        curl_multi_remove_handle(multi, easy);
        return result;
    }
};

TCurlHttpClient::TCurlHttpClient(long connectTimeoutSeconds, long stallSeconds,
                                 std::size_t maxBodyBytes, long totalSeconds)
    : impl_(std::make_unique<Impl>()) {
    GlobalInitOnce();
    impl_->maxBody = maxBodyBytes;
    impl_->easy = curl_easy_init();
    impl_->multi = curl_multi_init();
    if (!impl_->easy || !impl_->multi)
        throw EHttpError("通信の準備ができませんでした。");
    CURL* e = impl_->easy;
    impl_->headers = curl_slist_append(nullptr, "Accept: text/html, */*");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, impl_->headers);
    // Public APIs ask to be told who is calling.
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Pelumi/" PELUMI_FILE_VERSION " (zomika2)");
    // JSON shrinks to a fifth or less; libcurl decodes it before WriteBody sees it, so the size
    // limit applies to the decoded body.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "gzip");
    // The same easy handle for the program's life keeps its cookie engine, which an empty
    // cookie file switches on without reading or writing any file.
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // An aborted transfer must not wait for a host name look-up to end (a hung DNS at login
    // would hold the program's exit for its whole time-out).
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
#endif
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    // A stalled server must not freeze the program: below one byte per second for this long
    // ends the transfer.
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    // Nor may one that trickles: the whole request, redirects included, has a time limit.
    curl_easy_setopt(e, CURLOPT_TIMEOUT, totalSeconds);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBodyBytes));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &StopWhenCancelled);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, static_cast<THttpClient*>(this));
}

TCurlHttpClient::~TCurlHttpClient() = default;

std::string TCurlHttpClient::Get(const std::string& url) {
    return Transfer(url, nullptr).Body;
}

THttpAnswer TCurlHttpClient::GetIfChanged(const std::string& url, const THttpValidators& stored) {
    return Transfer(url, &stored);
}

THttpAnswer TCurlHttpClient::Transfer(const std::string& url, const THttpValidators* stored) {
    if (Cancelled())
        throw EHttpCancelled("ダウンロードを中止しました: " + url);
    CURL* e = impl_->easy;
    Body body;
    body.limit = impl_->maxBody;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &body);
    // The conditional headers live for this request only.
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr,
                                                                        &curl_slist_free_all);
    bool conditional = false;
    if (stored) {
        const auto append = [&headers](const std::string& line) {
            curl_slist* longer = curl_slist_append(headers.get(), line.c_str());
            if (!longer)
                throw EHttpError("通信の準備ができませんでした。");
            (void)headers.release(); // the same list, now one longer (or new when it was empty)
            headers.reset(longer);
        };
        for (const curl_slist* h = impl_->headers; h; h = h->next)
            append(h->data);
        if (SafeHeaderValue(stored->ETag)) {
            append("If-None-Match: " + stored->ETag);
            conditional = true;
        }
        if (SafeHeaderValue(stored->LastModified)) {
            append("If-Modified-Since: " + stored->LastModified);
            conditional = true;
        }
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    }
    if (ProxyServer.empty()) {
        // An empty proxy also overrides http_proxy and friends from the environment.
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    } else {
        curl_easy_setopt(e, CURLOPT_PROXY, ProxyServer.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPORT, static_cast<long>(ProxyPort));
        curl_easy_setopt(e, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
        curl_easy_setopt(e, CURLOPT_NOPROXY, "");
    }
    const CURLcode rc = impl_->Perform();
    curl_easy_setopt(e, CURLOPT_WRITEDATA, nullptr);
    if (stored)
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, impl_->headers);
    if (Cancelled())
        throw EHttpCancelled("ダウンロードを中止しました: " + url);
    if (body.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
        throw EHttpError("ページが大きすぎます: " + url);
    if (rc != CURLE_OK)
        throw EHttpError(std::string("ページを取得できませんでした: ") + curl_easy_strerror(rc) +
                         " (" + url + ")");
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    THttpAnswer answer;
    if (status == 304 && conditional) {
        answer.NotModified = true;
        return answer;
    }
    // A 3xx that was not followed (no Location, 300, 304) carries no page of ours: a proxy's
    // notice must not pass for the forecast.
    if (status < 200 || status > 299)
        throw EHttpError("ページを取得できませんでした: 応答 " + std::to_string(status) + " (" +
                         url + ")");
    answer.Body = std::move(body.bytes);
    if (stored) {
        answer.Validators.ETag = ResponseHeader(e, "ETag");
        answer.Validators.LastModified = ResponseHeader(e, "Last-Modified");
    }
    return answer;
}

void TCurlHttpClient::WakeTransfer() {
    curl_multi_wakeup(impl_->multi);
}

void TCurlHttpClient::Disconnect() {
    // Connections are never kept (FORBID_REUSE), so there is nothing left open here.
}

std::unique_ptr<THttpClient> CreateHttpClient() {
    return std::make_unique<TCurlHttpClient>();
}
