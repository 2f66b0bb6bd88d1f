#pragma once

// A point on earth in degrees (WGS 84).
struct TCoordinates {
    double Latitude = 0.0;
    double Longitude = 0.0;
    bool operator==(const TCoordinates&) const = default;
};
