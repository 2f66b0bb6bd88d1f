#pragma once

#include "weather/HttpClient.h"

#include <QObject>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <utility>

// Downloads away from the interface thread. Each one runs its work on a thread of its own with
// an HTTP client of its own (handed in by the caller, proxy already set). When the work ends,
// `done` runs on the interface thread with the exception the work threw, or nullptr; a
// download cancelled before that never calls `done`, so what it fetched reaches nobody.
//
// Every member is called on the thread that created the object (the interface thread). The
// work must not touch anything but its client and what it owns: it runs beside the interface.
class TDownloads : public QObject {
public:
    using TId = std::uint64_t; // 0 is never a download
    using TWork = std::function<void(THttpClient&)>;
    using TDone = std::function<void(std::exception_ptr)>;

    TDownloads() = default;
    // Cancels every download and waits for their threads.
    ~TDownloads() override;
    TDownloads(const TDownloads&) = delete;
    TDownloads& operator=(const TDownloads&) = delete;

    TId Start(std::unique_ptr<THttpClient> client, TWork work, TDone done);

    // Aborts the transfer; `done` is not called. Unknown or finished downloads are ignored.
    void Cancel(TId id);
    void CancelAll();

    // Started, and neither done nor cancelled.
    bool Running(TId id) const;
    // Threads not yet ended, cancelled ones included.
    std::size_t Threads() const { return jobs_.size(); }

private:
    struct TJob {
        std::unique_ptr<THttpClient> client;
        TDone done;
        bool cancelled = false;
        std::thread thread;
    };

    void Finish(TId id, std::exception_ptr error);

    std::map<TId, std::unique_ptr<TJob>> jobs_;
    TId lastId_ = 0;
};

// Start for work that produces a value: `done(result, error)` gets the work's result (a
// default value when it threw).
template <class Result, class Work, class Done>
TDownloads::TId StartDownload(TDownloads& downloads, std::unique_ptr<THttpClient> client, Work work,
                              Done done) {
    auto result = std::make_shared<Result>();
    return downloads.Start(
        std::move(client),
        [result, work = std::move(work)](THttpClient& http) { *result = work(http); },
        [result, done = std::move(done)](std::exception_ptr error) {
            done(std::move(*result), error);
        });
}
