#pragma once

#include <optional>
#include <string>
#include <string_view>

// The computer's time zone as a name of the time zone database ("Asia/Tokyo"), for services
// that label their hours in a zone the caller names. Safe to call from any thread.
namespace platform {

// What a service is asked for when the zone cannot be told: the place's own zone.
inline constexpr std::string_view kAutoTimeZone = "auto";

// The zone of this process: the fixed one when a test has fixed it, "Asia/Tokyo" while the clock
// reads Japan's time (platform::SetClockZone), else from TZ (":Asia/Tokyo",
// "Asia/Tokyo", or a path into the zone folder) and, when TZ is unset, from where
// /etc/localtime links to; "auto" when neither names a zone of the database (a rule such as
// "JST-9", a copied file, a name the database lacks).
std::string LocalTimeZone();

// The same from given inputs: `tz` is TZ's value (nothing when unset), `localtimeLink` the
// target of the /etc/localtime link (empty when it is no link), `zoneFolder` the database
// folder ("/usr/share/zoneinfo") in which a name must exist as a file.
std::string TimeZoneName(std::optional<std::string_view> tz, std::string_view localtimeLink,
                         std::string_view zoneFolder);

// Fixes the zone LocalTimeZone gives until ReleaseTimeZone.
void FixTimeZone(std::string name);
void ReleaseTimeZone();

} // namespace platform
