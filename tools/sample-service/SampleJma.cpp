// Unfinished: no forecast answers are made yet.
#include "SampleJma.h"

TSampleJma::TSampleJma(std::string_view, std::string_view, int, int, int) {}

std::string TSampleJma::Forecast(std::string_view, int) const {
    return {};
}
