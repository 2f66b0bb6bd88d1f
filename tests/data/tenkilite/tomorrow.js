(function () {
  var html = '';
  html += '\u003ctable\u003e\u003ctr\u003e\u003ctd class\u003d\u0022forecast_point_hour fs_m1\u0022\u003e3時\u003c/td\u003e\u003ctd class\u003d\u0022forecast_point_temperature fs_m1\u0022\u003e99\u003c/td\u003e\u003c/tr\u003e';
  html += '\u003ctr\u003e\u003ctd class\u003d\u0022forecast_point_hour fs_m1\u0022\u003e15時\u003c/td\u003e\u003ctd\u003e\u003cp class\u003d\u0022forecast_point_weather_telop fs_m3\u0022\u003e雪\u003c/p\u003e\u003c/td\u003e\u003ctd class\u003d\u0022forecast_point_temperature fs_m1\u0022\u003e-7\u003c/td\u003e\u003c/tr\u003e';
  html += '\u003c/table\u003e';
  document.write(html);
})();
