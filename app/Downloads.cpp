#include "app/Downloads.h"

#include <QMetaObject>

TDownloads::~TDownloads() {
    CancelAll();
    for (auto& [id, job] : jobs_)
        job->thread.join();
    // Their last word is still queued for this object; Qt drops it with the object.
}

TDownloads::TId TDownloads::Start(std::unique_ptr<THttpClient> client, TWork work, TDone done) {
    const TId id = ++lastId_;
    auto job = std::make_unique<TJob>();
    job->client = std::move(client);
    job->done = std::move(done);
    THttpClient* const http = job->client.get();
    job->thread = std::thread([this, id, http, work = std::move(work)] {
        std::exception_ptr error;
        try {
            work(*http);
        } catch (...) {
            error = std::current_exception();
        }
        // Posting is the thread's last use of this object; the destructor joins before it dies.
        QMetaObject::invokeMethod(
            this, [this, id, error] { Finish(id, error); }, Qt::QueuedConnection);
    });
    jobs_.emplace(id, std::move(job));
    return id;
}

void TDownloads::Cancel(TId id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || it->second->cancelled)
        return;
    it->second->cancelled = true;
    it->second->client->Cancel();
}

void TDownloads::CancelAll() {
    for (auto& [id, job] : jobs_)
        Cancel(id);
}

bool TDownloads::Running(TId id) const {
    const auto it = jobs_.find(id);
    return it != jobs_.end() && !it->second->cancelled;
}

void TDownloads::Finish(TId id, std::exception_ptr error) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end())
        return;
    // The thread has posted its last word and is ending: this join is immediate.
    it->second->thread.join();
    const bool deliver = !it->second->cancelled;
    TDone done = std::move(it->second->done);
    jobs_.erase(it);
    if (deliver)
        done(error);
}
