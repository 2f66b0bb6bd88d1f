#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The words the live source writes into the record, chosen from those the skins' icon
// selection and the tray understand: 晴, 曇, 霧, 霧雨, 雨, みぞれ, 雪 and 雷雨.
//
// A WMO weather code (the forecast API's weather_code) as one of those words; nothing for a
// code outside the table. The table is documented in docs/README-openmeteo.md.
std::optional<std::string_view> WeatherWordOfCode(double code);

// The most significant word of a few hours (雷雨 over 雪 over みぞれ over 雨 over 霧雨 over 霧
// over 曇 over 晴); empty words are skipped; empty when there is none.
std::string_view SignificantWord(std::span<const std::string_view> words);

// A day's text from its eight three-hour words (slot 0 is 0-3 o'clock; an empty word is a
// slot without data), worded the way the page services word a day: one word when the day
// keeps it ("雪"), "AのちB" when the morning's weather gives way to another in the afternoon
// ("晴のち雨"), "A一時B" when B comes once for at most a quarter of the day, and "A時々B" when
// it comes and goes ("曇時々晴"). Empty when every slot is empty.
std::string ComposeDayText(std::span<const std::string_view, 8> slots);
