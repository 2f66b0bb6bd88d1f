#include "SamplePages.h"
#include "SampleHash.h"

#include "weather/DateTime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr std::string_view kScriptDir = "/component/static_api/lite/forecast_point/table/";
constexpr std::array<const char*, 7> kWeekdays = {"日", "月", "火", "水", "木", "金", "土"};
constexpr std::array<const char*, 47> kPrefectures = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県",   "福島県", "茨城県",
    "栃木県", "群馬県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",
    "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県",   "愛知県", "三重県",
    "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県", "島根県",
    "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県",   "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};

// Phrases of a day's forecast. Dry, mixed and wet ones; fog-like ones carry no keyword of the
// icon table on purpose.
constexpr std::array<const char*, 12> kMildDays = {"晴れ",   "晴時々曇", "晴のち曇", "曇り",
                                                   "くもり", "曇時々晴", "曇一時雨", "曇のち雨",
                                                   "雨",     "雨後晴",   "雷雨",     "霧"};
constexpr std::array<const char*, 10> kColdDays = {"雪",       "雪時々曇", "曇一時雪", "晴のち雪",
                                                   "みぞれ",   "曇り",     "晴れ",     "雪後晴",
                                                   "曇時々雪", "もや"};

using sample::HashText;
using sample::Mix;

std::uint64_t Hash(std::uint64_t a, std::uint64_t b, std::uint64_t c = 0) {
    return Mix(a ^ Mix(b ^ Mix(c)));
}

// Degrees the place sits above (warmer) or below the country's mean.
int ClimateOffset(const TLocationEntry& e) {
    const std::string where = e[0] + e[1];
    struct Region {
        const char* name;
        int offset;
    };
    static constexpr Region regions[] = {
        {"北海道", -10}, {"青森", -6}, {"岩手", -6}, {"秋田", -5},  {"山形", -5}, {"宮城", -3},
        {"福島", -3},    {"新潟", -3}, {"長野", -5}, {"富山", -2},  {"石川", -2}, {"福井", -2},
        {"山梨", -2},    {"岐阜", -1}, {"沖縄", 10}, {"鹿児島", 3}, {"宮崎", 3},  {"高知", 2}};
    for (const Region& r : regions)
        if (where.find(r.name) != std::string::npos)
            return r.offset;
    return static_cast<int>(HashText(where) % 5) - 2;
}

struct Slot {
    std::string phrase;
    int temp;
};

struct DayForecast {
    std::string phrase;
    int maxTemp;
    int minTemp;
    std::array<int, 4> probs;
    std::array<Slot, 8> slots; // hours 3, 6, ..., 24 (Yahoo labels them 0, 3, ..., 21)
};

bool IsWet(std::string_view word) {
    return word.find("雨") != std::string_view::npos || word.find("雪") != std::string_view::npos ||
           word.find("みぞれ") != std::string_view::npos;
}

// The single-word weather of one three-hour slot from the day's phrase.
std::string SlotPhrase(std::string_view dayPhrase, int slot, std::uint64_t seed) {
    static constexpr std::array<std::string_view, 4> joiners = {"のち", "後", "時々", "一時"};
    std::string_view first = dayPhrase;
    std::string_view second;
    std::string_view joiner;
    for (const std::string_view j : joiners) {
        const std::size_t at = dayPhrase.find(j);
        if (at != std::string_view::npos) {
            first = dayPhrase.substr(0, at);
            second = dayPhrase.substr(at + j.size());
            joiner = j;
            break;
        }
    }
    std::string_view word = first;
    if (!second.empty()) {
        if (joiner == "のち" || joiner == "後")
            word = slot < 4 ? first : second;
        else if (Hash(seed, static_cast<std::uint64_t>(slot)) % 3 == 0)
            word = second;
    }
    if (word == "晴" || word == "晴れ")
        return "晴れ";
    if (word == "曇" || word == "曇り")
        return "曇り";
    if (word == "雨")
        return slot % 2 ? "弱雨" : "雨";
    if (word == "雷雨")
        return slot % 3 == 0 ? "雷" : "雷雨";
    return std::string(word);
}

DayForecast Forecast(const TLocationEntry& e, TDateTime date) {
    const std::uint64_t seed = Hash(HashText(e[3] + e[5]), static_cast<std::uint64_t>(date));
    const CalendarDate cd = DecodeDate(date);
    const double dayOfYear = date - EncodeDate(cd.Year, 1, 1);
    const double season =
        16.0 - 11.0 * std::cos(2.0 * std::numbers::pi * (dayOfYear - 20.0) / 365.0);
    const int base =
        static_cast<int>(std::lround(season)) + ClimateOffset(e) + static_cast<int>(seed % 7) - 3;
    DayForecast f;
    if (base < 3)
        f.phrase = kColdDays[Hash(seed, 1) % kColdDays.size()];
    else
        f.phrase = kMildDays[Hash(seed, 1) % kMildDays.size()];
    const bool wet = IsWet(f.phrase);
    const int swing = wet ? 3 : 5;
    f.maxTemp = std::numeric_limits<int>::min();
    f.minTemp = std::numeric_limits<int>::max();
    for (int s = 0; s < 8; ++s) {
        const int hour = 3 * (s + 1);
        const double curve = std::cos(2.0 * std::numbers::pi * (hour - 15) / 24.0);
        const int temp = base + static_cast<int>(std::lround(swing * curve)) +
                         static_cast<int>(Hash(seed, 10 + s) % 2);
        f.slots[static_cast<std::size_t>(s)] = {SlotPhrase(f.phrase, s, seed), temp};
        f.maxTemp = std::max(f.maxTemp, temp);
        f.minTemp = std::min(f.minTemp, temp);
    }
    for (int b = 0; b < 4; ++b) {
        const bool bandWet = IsWet(f.slots[static_cast<std::size_t>(2 * b)].phrase) ||
                             IsWet(f.slots[static_cast<std::size_t>(2 * b + 1)].phrase);
        const int low = bandWet ? 5 : wet ? 2 : 0;
        const int spread = bandWet ? 5 : 3;
        f.probs[static_cast<std::size_t>(b)] =
            10 * (low + static_cast<int>(Hash(seed, 20 + b) % static_cast<unsigned>(spread)));
    }
    return f;
}

std::string Num(int v) {
    return std::to_string(v);
}

std::string Pad2(int v) {
    return v < 10 ? "0" + std::to_string(v) : std::to_string(v);
}

std::string MonthDay(TDateTime date) {
    const CalendarDate cd = DecodeDate(date);
    return Num(cd.Month) + "月" + Num(cd.Day) + "日";
}

std::string Weekday(TDateTime date) {
    return kWeekdays[static_cast<std::size_t>(DayOfWeek(date))];
}

std::string IconOf(std::string_view phrase) {
    if (phrase.find("雷") != std::string_view::npos)
        return "300";
    if (phrase.find("雪") != std::string_view::npos ||
        phrase.find("みぞれ") != std::string_view::npos)
        return "400";
    if (phrase.find("雨") != std::string_view::npos)
        return "300";
    if (phrase.starts_with("晴"))
        return "100";
    if (phrase.starts_with("曇") || phrase.starts_with("くもり"))
        return "200";
    return "500";
}

std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Inside the table scripts' string literals <, =, " and > are \u escapes.
std::string JsEscape(std::string_view html) {
    std::string out;
    out.reserve(html.size() * 2);
    for (const char c : html) {
        switch (c) {
        case '<':
            out += "\\u003c";
            break;
        case '=':
            out += "\\u003d";
            break;
        case '"':
            out += "\\u0022";
            break;
        case '>':
            out += "\\u003e";
            break;
        case '\'':
            out += "\\'";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string PlaceName(const TLocationEntry& e) {
    return e[2].empty() ? e[1] : e[2];
}

// Head, styles and scripts of a page; a real page carries a lot of both.
void Head(std::string& out, std::string_view title, std::string_view extraMeta,
          std::uint64_t seed) {
    out += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n";
    out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>" + Escape(title) + "</title>\n";
    out += extraMeta;
    out += "<link rel=\"stylesheet\" href=\"/static/css/common.css?v=20260401\">\n<style>\n";
    static constexpr std::array<const char*, 12> blocks = {
        "header",  "nav",    "main",    "aside",  "footer", "section",
        "article", "ul.nav", "li.item", "div.ad", "p.note", "table.data"};
    for (int i = 0; i < 96; ++i) {
        const char* b = blocks[static_cast<std::size_t>(i) % blocks.size()];
        out += std::string(b) + ".v" + Num(i) + " { margin: " + Num(i % 7) + "px " + Num(i % 5) +
               "px; padding: " + Num(i % 3) + "px; color: #" +
               Num(100 + static_cast<int>(Hash(seed, 300 + i) % 800)) +
               "; font-size: " + Num(10 + i % 6) + "px; line-height: 1." + Num(i % 9) + "; }\n";
    }
    out +=
        "</style>\n<script type=\"text/javascript\">\nwindow.dataLayer = window.dataLayer || [];\n"
        "function gtag(){dataLayer.push(arguments);}\ngtag('js', new Date());\n"
        "gtag('config', 'UA-00000000-1');\n</script>\n</head>\n";
}

void Navigation(std::string& out, std::string_view service) {
    out += "<body>\n<header id=\"header\">\n<div class=\"logo\"><a href=\"/\">" +
           std::string(service) + "</a></div>\n<nav class=\"global_nav\">\n<ul>\n";
    static constexpr std::array<const char*, 8> menu = {"天気予報",     "雨雲レーダー", "天気図",
                                                        "警報・注意報", "地震情報",     "台風情報",
                                                        "指数情報",     "長期予報"};
    for (std::size_t i = 0; i < menu.size(); ++i)
        out += "<li class=\"global_nav_item\"><a href=\"/menu/" + Num(static_cast<int>(i)) +
               "/\">" + menu[i] + "</a></li>\n";
    out += "</ul>\n</nav>\n<nav class=\"area_nav\">\n<ul>\n";
    for (std::size_t i = 0; i < kPrefectures.size(); ++i)
        out += "<li class=\"area_nav_item\"><a href=\"/area/" + Num(static_cast<int>(i + 1)) +
               "/\" title=\"" + kPrefectures[i] + "の天気予報\">" + kPrefectures[i] + "</a></li>\n";
    out += "</ul>\n</nav>\n</header>\n";
}

// Sections that stand around the forecast on a real page.
void Sidebar(std::string& out, const std::vector<TLocationEntry>& entries, std::size_t self,
             std::uint64_t seed) {
    out += "<aside id=\"side\">\n<section class=\"side_news\">\n<h5>天気ニュース</h5>\n<ul>\n";
    static constexpr std::array<const char*, 6> news = {
        "週末は広い範囲で行楽日和", "朝晩の冷え込みに注意", "季節の変わり目の体調管理",
        "沿岸部では強風に注意",     "花粉の飛散情報を更新", "梅雨前線の動向"};
    for (int i = 0; i < 24; ++i)
        out += "<li class=\"side_news_item\"><a href=\"/news/" + Num(1000 + i) + "\">" +
               news[Hash(seed, 400 + i) % news.size()] + "（" + Num(i % 12 + 1) +
               "）</a>"
               "<span class=\"side_news_time\">" +
               Pad2(i % 24) + ":" + Pad2((i * 7) % 60) + "</span></li>\n";
    out += "</ul>\n</section>\n<section class=\"side_around\">\n<h5>周辺の天気</h5>\n<ul>\n";
    const std::size_t n = std::min<std::size_t>(entries.size(), 40);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t k = (self + i + 1) % entries.size();
        out += "<li class=\"side_around_item\"><a href=\"/around/" + Num(static_cast<int>(k)) +
               "\">" + Escape(PlaceName(entries[k])) + "</a></li>\n";
    }
    out += "</ul>\n</section>\n<section class=\"side_leisure\">\n<h5>レジャー</h5>\n<ul>\n";
    static constexpr std::array<const char*, 8> leisure = {
        "ゴルフ場", "釣り", "キャンプ場", "スキー場", "海水浴場", "山の天気", "競馬場", "野球場"};
    for (std::size_t i = 0; i < leisure.size(); ++i)
        out += "<li><a href=\"/leisure/" + Num(static_cast<int>(i)) + "\">" + leisure[i] +
               "の天気</a></li>\n";
    out += "</ul>\n</section>\n</aside>\n";
}

void Footer(std::string& out, std::string_view service) {
    out += "<footer id=\"footer\">\n<ul class=\"footer_links\">\n";
    static constexpr std::array<const char*, 10> links = {
        "ご利用にあたって", "プライバシー", "利用規約",     "ヘルプ",   "お問い合わせ",
        "広告掲載",         "運営会社",     "サイトマップ", "採用情報", "アプリ"};
    for (std::size_t i = 0; i < links.size(); ++i)
        out +=
            "<li><a href=\"/about/" + Num(static_cast<int>(i)) + "\">" + links[i] + "</a></li>\n";
    out += "</ul>\n<p class=\"copyright\">Copyright (C) " + std::string(service) +
           " All Rights Reserved.</p>\n</footer>\n<script src=\"/static/js/common.js\"></script>\n"
           "</body>\n</html>\n";
}

// The JavaScript of a table script: one string literal per line of the table.
std::string Script(std::string_view html, std::string_view target) {
    std::string out = "(function () {\n  var html = '';\n";
    std::size_t start = 0;
    while (start < html.size()) {
        std::size_t end = html.find('\n', start);
        if (end == std::string_view::npos)
            end = html.size();
        out += "  html += '" + JsEscape(html.substr(start, end - start)) + "';\n";
        start = end + 1;
    }
    out += "  var box = document.getElementById('" + std::string(target) +
           "');\n  if (box) { box.innerHTML = html; } else { document.write(html); }\n})();\n";
    return out;
}

} // namespace

TSampleSite::TSampleSite(std::vector<TLocationEntry> entries, int year, int month, int day,
                         int announceHour)
    : entries_(std::move(entries)), year_(year), month_(month), day_(day),
      announceHour_(announceHour) {
    std::unordered_map<std::string, bool> used;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const TLocationEntry& e = entries_[i];
        // The code is the number in the point page's path when it has one of its own.
        std::string code;
        for (const char c : e[3])
            if (c >= '0' && c <= '9')
                code += c;
        if (code.empty() || code.size() > 9 || used.count(code))
            code = Num(900000000 + static_cast<int>(i));
        used[code] = true;
        codes_.push_back(code);
        auto add = [&](const std::string& path, Kind kind) {
            routes_.emplace(path, Route{kind, i});
        };
        add("/lite/" + e[3], Kind::LitePoint);
        add("/lite/" + e[4], Kind::LiteDays);
        add("/weather/jp/" + e[5], Kind::YahooPoint);
        add("/weather/jp/" + e[6], Kind::YahooDays);
        add(std::string(kScriptDir) + code + "_today.js", Kind::LiteToday);
        add(std::string(kScriptDir) + code + "_tomorrow.js", Kind::LiteTomorrow);
    }
}

namespace {

struct Context {
    const std::vector<TLocationEntry>& entries;
    std::size_t index;
    const std::string& code;
    TDateTime today;
    int announceHour;

    const TLocationEntry& Entry() const { return entries[index]; }
    std::uint64_t Seed() const { return HashText(Entry()[3]); }
    std::string Announced() const {
        const CalendarDate cd = DecodeDate(today);
        return Num(cd.Year) + "年" + Pad2(cd.Month) + "月" + Pad2(cd.Day) + "日" +
               Pad2(announceHour) + "時00分発表";
    }
};

std::string LitePoint(const Context& c) {
    const std::string name = PlaceName(c.Entry());
    std::string out;
    out.reserve(48 * 1024);
    Head(out, name + "のピンポイント天気 - てんきライト",
         "<meta property=\"og:title\" content=\"" + Escape(name) +
             "のピンポイント天気\">\n<meta property=\"og:type\" content=\"article\">\n",
         c.Seed());
    Navigation(out, "てんきライト");
    out += "<div id=\"main\">\n<ol class=\"breadcrumb\"><li><a href=\"/\">トップ</a></li><li>" +
           Escape(c.Entry()[0]) + "</li><li>" + Escape(c.Entry()[1]) + "</li></ol>\n";
    out += "<h2 class=\"forecast_point_title\">" + Escape(name) + "のピンポイント天気</h2>\n";
    static constexpr std::string_view loader =
        "document.write('<scr' + 'ipt src=\"' + '/component/static_api/lite/forecast_point/table/' "
        "+ ";
    out +=
        "<!-- ポイント予報(今日) -->\n<div id=\"forecast_point_today\" class=\"forecast_point\">\n"
        "<script type=\"text/javascript\">\n" +
        std::string(loader) + c.code +
        " + '_today.js?' + (new Date()).getTime() + '\"></scr' + 'ipt>');\n</script>\n</div>\n";
    out +=
        "<!-- ポイント予報(明日) -->\n<div id=\"forecast_point_tomorrow\" "
        "class=\"forecast_point\">\n"
        "<script type=\"text/javascript\">\n" +
        std::string(loader) + c.code +
        " + '_tomorrow.js?' + (new Date()).getTime() + '\"></scr' + 'ipt>');\n</script>\n</div>\n";
    out += "<!-- 10日間天気 -->\n<section class=\"forecast_week_box\">\n"
           "<table class=\"forecast_week\">\n<tr><th class=\"forecast_week_head\">日付</th>"
           "<th class=\"forecast_week_head\">天気</th><th class=\"forecast_week_head\">気温(℃)</th>"
           "<th class=\"forecast_week_head\">降水確率</th></tr>\n";
    for (int k = 2; k <= 11; ++k) {
        const TDateTime date = c.today + k;
        const DayForecast f = Forecast(c.Entry(), date);
        const int prob = *std::max_element(f.probs.begin(), f.probs.end());
        out += "<tr class=\"forecast_week_row\">\n<td class=\"forecast_week_date\">" +
               MonthDay(date) + "<br>(" + Weekday(date) +
               ")</td>\n"
               "<td class=\"forecast_week_weather\"><img src=\"/img/telop/" +
               IconOf(f.phrase) + ".png\" alt=\"" + f.phrase +
               "\" width=\"40\" height=\"30\">"
               "<p class=\"forecast_week_weather_telop\">" +
               f.phrase +
               "</p></td>\n"
               "<td class=\"forecast_week_temperature\">"
               "<p class=\"forecast_week_temperature_max_temp\">" +
               Num(f.maxTemp) +
               "℃</p>"
               "<p class=\"forecast_week_temperature_min_temp\">" +
               Num(f.minTemp) +
               "℃</p></td>\n"
               "<td class=\"forecast_week_precip_box\"><p class=\"forecast_week_precip\">" +
               Num(prob) + "%</p></td>\n</tr>\n";
    }
    out += "</table>\n</section>\n</div>\n";
    Sidebar(out, c.entries, c.index, c.Seed());
    Footer(out, "てんきライト");
    return out;
}

std::string LiteScript(const Context& c, bool tomorrow) {
    const TDateTime date = c.today + (tomorrow ? 1 : 0);
    const DayForecast f = Forecast(c.Entry(), date);
    std::string html;
    if (!tomorrow)
        html += "<div class=\"forecast_point_announce\"><p class=\"fs_s1\">" + c.Announced() +
                "</p></div>\n";
    html += "<table class=\"forecast_point_table\">\n<tr class=\"forecast_point_head\">"
            "<th class=\"forecast_point_date\" rowspan=\"9\">" +
            std::string(tomorrow ? "明日" : "今日") + "<br>" + Num(DecodeDate(date).Day) + "日(" +
            Weekday(date) +
            ")</th><th>時刻</th><th>天気</th><th>気温(℃)</th><th>降水量</th>"
            "<th>湿度</th><th>風</th></tr>\n";
    for (int s = 0; s < 8; ++s) {
        const Slot& slot = f.slots[static_cast<std::size_t>(s)];
        const int hour = 3 * (s + 1);
        // The page marks the period now under way with an inner tag.
        const std::string hourText = (!tomorrow && s == c.announceHour / 3)
                                         ? "<span class=\"now\">" + Num(hour) + "</span>"
                                         : Num(hour);
        html += "<tr class=\"forecast_point_row\"><td class=\"forecast_point_hour fs_m1\">" +
                hourText + "時</td><td class=\"forecast_point_weather\"><img src=\"/img/telop/" +
                IconOf(slot.phrase) + ".png\" alt=\"" + slot.phrase +
                "\"><p class=\"forecast_point_weather_telop fs_m3\">" + slot.phrase +
                "</p></td><td class=\"forecast_point_temperature fs_m1\">" + Num(slot.temp) +
                "</td><td class=\"forecast_point_precip\">" +
                Num(IsWet(slot.phrase) ? 1 + s % 3 : 0) +
                "</td><td class=\"forecast_point_humidity\">" + Num(50 + 5 * (s % 8)) +
                "</td><td class=\"forecast_point_wind\">北" + Num(1 + s % 4) + "</td></tr>\n";
    }
    html += "</table>\n";
    return Script(html, tomorrow ? "forecast_point_tomorrow" : "forecast_point_today");
}

std::string LiteDays(const Context& c) {
    const std::string name = PlaceName(c.Entry());
    std::string out;
    out.reserve(40 * 1024);
    Head(out, name + "の天気 - てんきライト", "", c.Seed() + 1);
    Navigation(out, "てんきライト");
    out += "<div id=\"main\">\n<h2 class=\"forecast_days_title\">" + Escape(name) +
           "の天気</h2>\n<p class=\"forecast_days_announce\">" + c.Announced() + "</p>\n";
    for (int d = 0; d < 2; ++d) {
        const TDateTime date = c.today + d;
        const DayForecast f = Forecast(c.Entry(), date);
        const char* which = d == 0 ? "today" : "tomorrow";
        out += "<section class=\"forecast_days_box forecast_days_" + std::string(which) +
               "\">\n<span class=\"forecast_days_label\">" + (d == 0 ? "今日" : "明日") +
               "</span>\n<h4 class=\"forecast_days_public_date forecast_days_public_date_" + which +
               "\">" + MonthDay(date) + "(" + Weekday(date) +
               ")</h4>\n"
               "<div class=\"forecast_days_weather\"><img src=\"/img/telop/" +
               IconOf(f.phrase) + ".png\" alt=\"" + f.phrase +
               "\" width=\"80\" height=\"60\">\n"
               "<p class=\"forecast_days_weather_telop\">\n" +
               f.phrase +
               "\n</p></div>\n"
               "<table class=\"forecast_days_temperature\"><tr>"
               "<td class=\"forecast_days_temperature_max_temp\"><span class=\"fs_m5\">" +
               Num(f.maxTemp) +
               "</span>℃</td>"
               "<td class=\"forecast_days_temperature_min_temp\"><span class=\"fs_m5\">" +
               Num(f.minTemp) +
               "</span>℃</td></tr></table>\n"
               "<table class=\"forecast_days_precip\">\n<tr><th>時間</th><th>0-6</th><th>6-12</th>"
               "<th>12-18</th><th>18-24</th></tr>\n<tr>"
               "<td class=\"forecast_days_precip_index fs_m3\">降水確率</td>";
        // Tomorrow's last two bands are sometimes one merged cell.
        const bool merge = d == 1 && Hash(c.Seed(), static_cast<std::uint64_t>(date)) % 3 == 0;
        for (int b = 0; b < 4; ++b) {
            if (merge && b == 2) {
                out += "<td class=\"fs_m3\" colspan=\"2\">" +
                       Num(std::max(f.probs[2], f.probs[3])) + "%</td>";
                break;
            }
            out += "<td class=\"fs_m3\">" + Num(f.probs[static_cast<std::size_t>(b)]) + "%</td>";
        }
        out += "</tr>\n</table>\n</section>\n";
    }
    out += "</div>\n";
    Sidebar(out, c.entries, c.index, c.Seed() + 1);
    Footer(out, "てんきライト");
    return out;
}

std::string YahooPoint(const Context& c) {
    const std::string name = PlaceName(c.Entry());
    std::string out;
    out.reserve(48 * 1024);
    Head(out, name + "の天気 - Yahoo!天気・災害", "", c.Seed() + 2);
    Navigation(out, "Yahoo!天気・災害");
    const CalendarDate cd = DecodeDate(c.today);
    out += "<div id=\"main\">\n<h2 class=\"yjMt\">ピンポイント天気</h2>\n"
           "<p class=\"yjSt yjw_note_h2\">" +
           Num(cd.Year) + "年" + Num(cd.Month) + "月" + Num(cd.Day) + "日　" +
           Pad2(c.announceHour) + "時00分発表</p>\n";
    for (int d = 0; d < 2; ++d) {
        const TDateTime date = c.today + d;
        const DayForecast f = Forecast(c.Entry(), date);
        out += "<div class=\"yjw_pinpoint_" + std::string(d == 0 ? "today" : "tomorrow") +
               "\">\n<h3>" + (d == 0 ? "今日の天気" : "明日の天気") + "<span class=\"yjSt\"> -" +
               MonthDay(date) + "（" + Weekday(date) +
               "）</span></h3>\n"
               "<table class=\"yjw_table2\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\" "
               "width=\"100%\">\n<tr><td width=\"9%\" class=\"item\"><small>時間</small></td>";
        for (int s = 0; s < 8; ++s) {
            const std::string hour = Num(3 * s) + "時";
            out += d == 0 && s == c.announceHour / 3
                       ? "<td width=\"11%\"><small><b>" + hour + "</b></small></td>"
                       : "<td width=\"11%\"><small>" + hour + "</small></td>";
        }
        out += "</tr>\n<tr><td class=\"item\"><small>天気</small></td>";
        for (const Slot& s : f.slots)
            out += "<td><small><img src=\"/weather/img/" + IconOf(s.phrase) +
                   ".gif\" width=\"30\" height=\"30\" border=\"0\" alt=\"" + s.phrase + "\"><br>" +
                   s.phrase + "</small></td>";
        out += "</tr>\n<tr><td class=\"item\"><small>気温（℃）</small></td>";
        for (const Slot& s : f.slots)
            out += "<td><small>" + Num(s.temp) + "</small></td>";
        out += "</tr>\n<tr><td class=\"item\"><small>湿度（％）</small></td>";
        for (int s = 0; s < 8; ++s)
            out += "<td><small>" + Num(55 + 4 * s) + "</small></td>";
        out += "</tr>\n<tr><td class=\"item\"><small>降水量（mm/h）</small></td>";
        for (const Slot& s : f.slots)
            out += "<td><small>" + Num(IsWet(s.phrase) ? 2 : 0) + "</small></td>";
        out += "</tr>\n<tr><td class=\"item\"><small>風向<br>風速（m/s）</small></td>";
        for (int s = 0; s < 8; ++s)
            out += "<td><small>北西<br>" + Num(1 + s % 5) + "</small></td>";
        out += "</tr>\n</table>\n</div>\n";
    }
    out += "<!---週間の天気--->\n<div class=\"yjw_week\">\n<h3>週間天気</h3>\n"
           "<table class=\"yjw_table\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\">\n"
           "<tr><td class=\"item\"><small>日付</small></td>";
    std::array<DayForecast, 6> week;
    for (int k = 1; k <= 6; ++k) {
        week[static_cast<std::size_t>(k - 1)] = Forecast(c.Entry(), c.today + k + 1);
        out += "<td><small>" + MonthDay(c.today + k + 1) + "<br>（" + Weekday(c.today + k + 1) +
               "）</small></td>";
    }
    out += "</tr>\n<tr><td class=\"item\"><small>天気</small></td>";
    for (const DayForecast& f : week)
        out += "<td><img src=\"/weather/img/" + IconOf(f.phrase) + ".gif\" alt=\"" + f.phrase +
               "\"><br><small>" + f.phrase + "</small></td>";
    out += "</tr>\n<tr><td class=\"item\"><small>気温（℃）</small></td>";
    for (const DayForecast& f : week)
        out += "<td><small><font color=\"#ff3300\">" + Num(f.maxTemp) +
               "</font><br><font color=\"#0066ff\">" + Num(f.minTemp) + "</font></small></td>";
    out += "</tr>\n<tr><td class=\"item\"><small>降水<br>確率（％）</small></td>";
    for (const DayForecast& f : week)
        out += "<td><small>" + Num(*std::max_element(f.probs.begin(), f.probs.end())) +
               "</small></td>";
    out += "</tr>\n</table>\n</div>\n</div>\n";
    Sidebar(out, c.entries, c.index, c.Seed() + 2);
    Footer(out, "Yahoo!天気・災害");
    return out;
}

std::string YahooDays(const Context& c) {
    const std::string name = PlaceName(c.Entry());
    std::string out;
    out.reserve(40 * 1024);
    Head(out, name + "の天気 - Yahoo!天気・災害", "", c.Seed() + 3);
    Navigation(out, "Yahoo!天気・災害");
    out += "<div id=\"main\">\n<h2 class=\"yjMt\">" + Escape(name) +
           "の天気</h2>\n"
           "<!---今日・明日の天気--->\n<div class=\"forecastCity\">\n<table><tr>\n";
    for (int d = 0; d < 2; ++d) {
        const TDateTime date = c.today + d;
        const DayForecast f = Forecast(c.Entry(), date);
        out += "<td>\n<div class=\"" + std::string(d == 0 ? "today" : "tomorrow") +
               "\">\n"
               "<p class=\"date\">" +
               MonthDay(date) + "<span>(" + Weekday(date) +
               ")</span></p>\n"
               "<p class=\"pict\"><img src=\"/weather/img/" +
               IconOf(f.phrase) + ".gif\" width=\"47\" height=\"30\" alt=\"" + f.phrase + "\">" +
               f.phrase +
               "</p>\n"
               "<ul class=\"temp\">\n<li class=\"high\"><em>" +
               Num(f.maxTemp) + "</em>℃</li>\n<li class=\"low\"><em>" + Num(f.minTemp) +
               "</em>℃</li>\n</ul>\n"
               "<table class=\"yjw_table\">\n<tr class=\"time\"><th>時間</th><td>0-6</td>"
               "<td>6-12</td><td>12-18</td><td>18-24</td></tr>\n<tr class=\"precip\"><th>降水</th>";
        for (const int p : f.probs)
            out += "<td>" + Num(p) + "％</td>";
        out += "</tr>\n</table>\n</div>\n</td>\n";
    }
    out += "</tr></table>\n</div>\n</div>\n";
    Sidebar(out, c.entries, c.index, c.Seed() + 3);
    Footer(out, "Yahoo!天気・災害");
    return out;
}

} // namespace

std::optional<TSampleSite::Page> TSampleSite::Get(std::string_view path) const {
    const auto it = routes_.find(std::string(path));
    if (it == routes_.end())
        return std::nullopt;
    const Context c{entries_, it->second.entry, codes_[it->second.entry],
                    EncodeDate(year_, month_, day_), announceHour_};
    constexpr const char* html = "text/html; charset=UTF-8";
    constexpr const char* js = "application/javascript; charset=UTF-8";
    switch (it->second.kind) {
    case Kind::LitePoint:
        return Page{html, LitePoint(c)};
    case Kind::LiteToday:
        return Page{js, LiteScript(c, false)};
    case Kind::LiteTomorrow:
        return Page{js, LiteScript(c, true)};
    case Kind::LiteDays:
        return Page{html, LiteDays(c)};
    case Kind::YahooPoint:
        return Page{html, YahooPoint(c)};
    case Kind::YahooDays:
        return Page{html, YahooDays(c)};
    }
    return std::nullopt;
}
