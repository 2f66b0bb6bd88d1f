#pragma once

#include "platform/Errors.h"
#include "weather/HttpClient.h"

#include <map>
#include <string>
#include <vector>

// An HTTP client that serves pages held in memory. A URL is looked up without its query when
// the full URL is not in the map; an unknown URL fails like a 404. Every requested URL is
// recorded, in order. A page with an entry in Validators is served with them, and a conditional
// request that brings its ETag or its Last-Modified date is answered "not modified".
class FakeHttpClient : public THttpClient {
public:
    std::map<std::string, std::string> Pages;
    std::map<std::string, THttpValidators> Validators;
    std::vector<std::string> Requested;
    // The validators each GetIfChanged brought, in order, and the address of each.
    std::vector<THttpValidators> SentValidators;
    std::vector<std::string> ConditionalUrls;
    int Disconnects = 0;

    std::string Get(const std::string& url) override {
        Requested.push_back(url);
        auto it = Pages.find(url);
        if (it == Pages.end())
            it = Pages.find(url.substr(0, url.find('?')));
        if (it == Pages.end())
            throw EHttpError("404 " + url);
        return it->second;
    }
    THttpAnswer GetIfChanged(const std::string& url, const THttpValidators& stored) override {
        SentValidators.push_back(stored);
        ConditionalUrls.push_back(url);
        THttpAnswer answer;
        answer.Body = Get(url);
        const auto v = Validators.find(url);
        if (v == Validators.end())
            return answer;
        answer.Validators = v->second;
        if ((!stored.ETag.empty() && stored.ETag == v->second.ETag) ||
            (!stored.LastModified.empty() && stored.LastModified == v->second.LastModified))
            return {true, {}, {}};
        return answer;
    }
    void Disconnect() override { ++Disconnects; }
};
