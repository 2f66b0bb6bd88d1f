(function () {
  var html = '';
  html += '\u003cp class\u003d\u0022announce\u0022\u003e2026年12月09日 17時00分 発表\u003c/p\u003e';
  html += '\u003ctable\u003e\u003ctr\u003e\u003cth\u003e今日\u003cbr\u003e9日(水)\u003c/th\u003e\u003c/tr\u003e';
  html += '\u003ctr\u003e\u003ctd class\u003d\u0022forecast_point_hour fs_m1\u0022\u003e3時\u003c/td\u003e\u003ctd\u003e\u003cp class\u003d\u0022forecast_point_weather_telop fs_m3\u0022\u003e晴れ\u003c/p\u003e\u003c/td\u003e\u003ctd class\u003d\u0022forecast_point_temperature fs_m1\u0022\u003e -2 \u003c/td\u003e\u003c/tr\u003e';
  html += '\u003ctr\u003e\u003ctd class\u003d\u0022forecast_point_hour fs_m1\u0022\u003e\u003cspan class\u003d\u0022now\u0022\u003e15\u003c/span\u003e時\u003c/td\u003e\u003ctd\u003e\u003cp class\u003d\u0022forecast_point_weather_telop fs_m3\u0022\u003e\u003cb\u003e曇り\u003c/b\u003e\u003c/p\u003e\u003c/td\u003e\u003ctd class\u003d\u0022forecast_point_temperature fs_m1\u0022\u003e0\u003c/td\u003e\u003c/tr\u003e';
  html += '\u003ctr\u003e\u003ctd class\u003d\u0022forecast_point_hour fs_m1\u0022\u003e24時\u003c/td\u003e\u003ctd\u003e\u003cp class\u003d\u0022forecast_point_weather_telop fs_m3\u0022\u003e 雨 \u003c/p\u003e\u003c/td\u003e\u003ctd class\u003d\u0022forecast_point_temperature fs_m1\u0022\u003e---\u003c/td\u003e\u003c/tr\u003e';
  html += '\u003c/table\u003e';
  document.write(html);
})();
