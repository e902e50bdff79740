// CONVERT: measures between units of one kind (mass, length, time, pressure,
// force, energy, power, magnetism, temperature, volume, area, information,
// speed), with metric and binary prefixes where the unit takes them.
#include <cmath>
#include <string>
#include <string_view>

#include "spreadsheet/formula/coerce.h"
#include "spreadsheet/formula/evaluation.h"
#include "spreadsheet/formula/function_table.h"

namespace tabulon::spreadsheet::formula {

namespace {

enum class Kind {
    Mass,
    Length,
    Time,
    Pressure,
    Force,
    Energy,
    Power,
    Magnetism,
    Temperature,
    Volume,
    Area,
    Information,
    Speed
};

struct Unit {
    std::string_view name;
    Kind kind;
    double factor;  // in the kind's base unit (temperatures: see ToKelvin)
    bool prefixed;  // takes metric prefixes
    int dimension;  // the power a prefix is raised to (m2: 2, m3: 3)
};

// clang-format off
constexpr Unit kUnits[] = {
    {"g", Kind::Mass, 1, true, 1},
    {"sg", Kind::Mass, 14593.9029372064, false, 1},
    {"lbm", Kind::Mass, 453.59237, false, 1},
    {"u", Kind::Mass, 1.660538782e-24, true, 1},
    {"ozm", Kind::Mass, 28.349523125, false, 1},
    {"grain", Kind::Mass, 0.06479891, false, 1},
    {"cwt", Kind::Mass, 45359.237, false, 1},
    {"shweight", Kind::Mass, 45359.237, false, 1},
    {"uk_cwt", Kind::Mass, 50802.34544, false, 1},
    {"lcwt", Kind::Mass, 50802.34544, false, 1},
    {"hweight", Kind::Mass, 50802.34544, false, 1},
    {"stone", Kind::Mass, 6350.29318, false, 1},
    {"ton", Kind::Mass, 907184.74, false, 1},
    {"uk_ton", Kind::Mass, 1016046.9088, false, 1},
    {"LTON", Kind::Mass, 1016046.9088, false, 1},
    {"brton", Kind::Mass, 1016046.9088, false, 1},
    {"m", Kind::Length, 1, true, 1},
    {"mi", Kind::Length, 1609.344, false, 1},
    {"Nmi", Kind::Length, 1852, false, 1},
    {"in", Kind::Length, 0.0254, false, 1},
    {"ft", Kind::Length, 0.3048, false, 1},
    {"yd", Kind::Length, 0.9144, false, 1},
    {"ang", Kind::Length, 1e-10, true, 1},
    {"ell", Kind::Length, 1.143, false, 1},
    {"ly", Kind::Length, 9460730472580800, true, 1},
    {"parsec", Kind::Length, 3.08567758128155e16, true, 1},
    {"pc", Kind::Length, 3.08567758128155e16, true, 1},
    {"Picapt", Kind::Length, 0.0254 / 72, false, 1},
    {"Pica", Kind::Length, 0.0254 / 72, false, 1},
    {"pica", Kind::Length, 0.0254 / 6, false, 1},
    {"survey_mi", Kind::Length, 1609.34721869444, false, 1},
    {"yr", Kind::Time, 31557600, false, 1},
    {"day", Kind::Time, 86400, false, 1},
    {"d", Kind::Time, 86400, false, 1},
    {"hr", Kind::Time, 3600, false, 1},
    {"mn", Kind::Time, 60, false, 1},
    {"min", Kind::Time, 60, false, 1},
    {"sec", Kind::Time, 1, true, 1},
    {"s", Kind::Time, 1, true, 1},
    {"Pa", Kind::Pressure, 1, true, 1},
    {"p", Kind::Pressure, 1, true, 1},
    {"atm", Kind::Pressure, 101325, true, 1},
    {"at", Kind::Pressure, 101325, true, 1},
    {"mmHg", Kind::Pressure, 133.322368421053, true, 1},
    {"psi", Kind::Pressure, 6894.75729316836, false, 1},
    {"Torr", Kind::Pressure, 133.322368421053, false, 1},
    {"N", Kind::Force, 1, true, 1},
    {"dyn", Kind::Force, 1e-5, true, 1},
    {"dy", Kind::Force, 1e-5, true, 1},
    {"lbf", Kind::Force, 4.4482216152605, false, 1},
    {"pond", Kind::Force, 0.00980665, true, 1},
    {"J", Kind::Energy, 1, true, 1},
    {"e", Kind::Energy, 1e-7, true, 1},
    {"c", Kind::Energy, 4.184, true, 1},
    {"cal", Kind::Energy, 4.1868, true, 1},
    {"eV", Kind::Energy, 1.602176487e-19, true, 1},
    {"ev", Kind::Energy, 1.602176487e-19, true, 1},
    {"HPh", Kind::Energy, 2684519.53769617, false, 1},
    {"hh", Kind::Energy, 2684519.53769617, false, 1},
    {"Wh", Kind::Energy, 3600, true, 1},
    {"wh", Kind::Energy, 3600, true, 1},
    {"BTU", Kind::Energy, 1055.05585262, false, 1},
    {"btu", Kind::Energy, 1055.05585262, false, 1},
    {"W", Kind::Power, 1, true, 1},
    {"w", Kind::Power, 1, true, 1},
    {"HP", Kind::Power, 745.69987158227, false, 1},
    {"h", Kind::Power, 745.69987158227, false, 1},
    {"PS", Kind::Power, 735.49875, false, 1},
    {"T", Kind::Magnetism, 1, true, 1},
    {"ga", Kind::Magnetism, 1e-4, true, 1},
    {"C", Kind::Temperature, 0, false, 1},
    {"cel", Kind::Temperature, 0, false, 1},
    {"F", Kind::Temperature, 0, false, 1},
    {"fah", Kind::Temperature, 0, false, 1},
    {"K", Kind::Temperature, 0, true, 1},
    {"kel", Kind::Temperature, 0, true, 1},
    {"Rank", Kind::Temperature, 0, false, 1},
    {"Reau", Kind::Temperature, 0, false, 1},
    {"tsp", Kind::Volume, 4.92892159375e-6, false, 1},
    {"tspm", Kind::Volume, 5e-6, false, 1},
    {"tbs", Kind::Volume, 1.478676478125e-5, false, 1},
    {"oz", Kind::Volume, 2.95735295625e-5, false, 1},
    {"cup", Kind::Volume, 2.365882365e-4, false, 1},
    {"pt", Kind::Volume, 4.73176473e-4, false, 1},
    {"us_pt", Kind::Volume, 4.73176473e-4, false, 1},
    {"uk_pt", Kind::Volume, 5.6826125e-4, false, 1},
    {"qt", Kind::Volume, 9.46352946e-4, false, 1},
    {"uk_qt", Kind::Volume, 1.1365225e-3, false, 1},
    {"gal", Kind::Volume, 3.785411784e-3, false, 1},
    {"uk_gal", Kind::Volume, 4.54609e-3, false, 1},
    {"l", Kind::Volume, 1e-3, true, 1},
    {"L", Kind::Volume, 1e-3, true, 1},
    {"lt", Kind::Volume, 1e-3, true, 1},
    {"m3", Kind::Volume, 1, true, 3},
    {"mi3", Kind::Volume, 4168181825.44058, false, 1},
    {"yd3", Kind::Volume, 0.764554857984, false, 1},
    {"ft3", Kind::Volume, 0.028316846592, false, 1},
    {"in3", Kind::Volume, 1.6387064e-5, false, 1},
    {"ang3", Kind::Volume, 1e-30, true, 3},
    {"barrel", Kind::Volume, 0.158987294928, false, 1},
    {"bushel", Kind::Volume, 0.03523907016688, false, 1},
    {"GRT", Kind::Volume, 2.8316846592, false, 1},
    {"regton", Kind::Volume, 2.8316846592, false, 1},
    {"MTON", Kind::Volume, 1.13267386368, false, 1},
    {"m2", Kind::Area, 1, true, 2},
    {"mi2", Kind::Area, 2589988.110336, false, 1},
    {"Nmi2", Kind::Area, 3429904, false, 1},
    {"in2", Kind::Area, 0.00064516, false, 1},
    {"ft2", Kind::Area, 0.09290304, false, 1},
    {"yd2", Kind::Area, 0.83612736, false, 1},
    {"ang2", Kind::Area, 1e-20, true, 2},
    {"ar", Kind::Area, 100, true, 1},
    {"ha", Kind::Area, 10000, false, 1},
    {"uk_acre", Kind::Area, 4046.8564224, false, 1},
    {"us_acre", Kind::Area, 4046.87260987425, false, 1},
    {"Morgen", Kind::Area, 2500, false, 1},
    {"bit", Kind::Information, 1, true, 1},
    {"byte", Kind::Information, 8, true, 1},
    {"m/s", Kind::Speed, 1, true, 1},
    {"m/sec", Kind::Speed, 1, true, 1},
    {"m/h", Kind::Speed, 1.0 / 3600, true, 1},
    {"m/hr", Kind::Speed, 1.0 / 3600, true, 1},
    {"mph", Kind::Speed, 0.44704, false, 1},
    {"kn", Kind::Speed, 1852.0 / 3600, false, 1},
    {"admkn", Kind::Speed, 0.514773333333333, false, 1},
};

struct Prefix {
    std::string_view name;
    double factor;
};

constexpr Prefix kPrefixes[] = {
    {"Y", 1e24}, {"Z", 1e21}, {"E", 1e18}, {"P", 1e15}, {"T", 1e12}, {"G", 1e9},
    {"M", 1e6}, {"k", 1e3}, {"h", 1e2}, {"da", 1e1}, {"e", 1e1}, {"d", 1e-1},
    {"c", 1e-2}, {"m", 1e-3}, {"u", 1e-6}, {"n", 1e-9}, {"p", 1e-12}, {"f", 1e-15},
    {"a", 1e-18}, {"z", 1e-21}, {"y", 1e-24},
};

constexpr Prefix kBinaryPrefixes[] = {
    {"ki", 1024.0}, {"Mi", 1048576.0}, {"Gi", 1073741824.0}, {"Ti", 1099511627776.0},
    {"Pi", 1125899906842624.0}, {"Ei", 1152921504606846976.0},
};
// clang-format on

struct Resolved {
    const Unit* unit = nullptr;
    double scale = 1;  // the prefix, raised to the unit's dimension
};

// A unit name, possibly with a prefix; names are case-sensitive.
Resolved Resolve(std::string_view name) {
    for (const Unit& u : kUnits) {
        if (u.name == name)
            return {&u, 1};
    }
    auto tryPrefixes = [&](const auto& prefixes) -> Resolved {
        for (const Prefix& p : prefixes) {
            if (name.size() <= p.name.size() || name.substr(0, p.name.size()) != p.name)
                continue;
            std::string_view rest = name.substr(p.name.size());
            for (const Unit& u : kUnits) {
                if (u.name == rest && u.prefixed)
                    return {&u, std::pow(p.factor, u.dimension)};
            }
        }
        return {};
    };
    Resolved r = tryPrefixes(kPrefixes);
    if (!r.unit)
        r = tryPrefixes(kBinaryPrefixes);
    if (r.unit && r.unit->kind != Kind::Information && r.scale > 1e30)
        return {};
    return r;
}

double ToKelvin(std::string_view unit, double x) {
    if (unit == "C" || unit == "cel")
        return x + 273.15;
    if (unit == "F" || unit == "fah")
        return (x - 32) * 5 / 9 + 273.15;
    if (unit == "Rank")
        return x * 5 / 9;
    if (unit == "Reau")
        return x * 1.25 + 273.15;
    return x;  // K, kel
}

double FromKelvin(std::string_view unit, double k) {
    if (unit == "C" || unit == "cel")
        return k - 273.15;
    if (unit == "F" || unit == "fah")
        return (k - 273.15) * 9 / 5 + 32;
    if (unit == "Rank")
        return k * 9 / 5;
    if (unit == "Reau")
        return (k - 273.15) * 0.8;
    return k;
}

Operand Convert(CallContext& call) {
    const double x = call.Number(0);
    const std::string fromName = call.Text(1), toName = call.Text(2);
    const Resolved from = Resolve(fromName), to = Resolve(toName);
    if (!from.unit || !to.unit || from.unit->kind != to.unit->kind)
        return Value::Error(ErrorCode::NA);
    double result;
    if (from.unit->kind == Kind::Temperature) {
        result = FromKelvin(to.unit->name, ToKelvin(from.unit->name, x * from.scale)) / to.scale;
    } else {
        result = x * from.unit->factor * from.scale / (to.unit->factor * to.scale);
    }
    if (!std::isfinite(result))
        return Value::Error(ErrorCode::Num);
    return Value::Number(Round15(result));
}

constexpr FunctionInfo kFunctions[] = {
    {"CONVERT", Convert, 3, 3},
};

}  // namespace

std::span<const FunctionInfo> UnitFunctions() {
    return kFunctions;
}

}  // namespace tabulon::spreadsheet::formula
