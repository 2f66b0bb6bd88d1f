#pragma once

#include "platform/Errors.h"
#include "weather/HttpClient.h"

#include <map>
#include <string>
#include <vector>

// An HTTP client that serves pages held in memory. A URL is looked up without its query when
// the full URL is not in the map; an unknown URL fails like a 404. Every requested URL is
// recorded, in order.
class FakeHttpClient : public THttpClient {
public:
    std::map<std::string, std::string> Pages;
    std::vector<std::string> Requested;
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
    void Disconnect() override { ++Disconnects; }
};
