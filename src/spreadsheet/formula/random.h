// The source of chance for RAND, RANDBETWEEN and RANDARRAY.
#pragma once

#include <random>

namespace tabulon::spreadsheet::formula {

// A number in [0, 1), from a generator of the calling thread.
inline double RandomUnit() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}

}  // namespace tabulon::spreadsheet::formula
