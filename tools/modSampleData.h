#pragma once
// Word lists the archive generator draws its Italian-looking customers, suppliers, articles,
// prizes and bonuses from.

#include <span>

namespace modSampleData {

struct Town {
    const char* Name;
    const char* Province;
    int Cap;
    const char* PhonePrefix;
    const char* CadastralCode; // the town's part of a tax code
};

std::span<const char* const> Surnames();
std::span<const char* const> MaleNames();
std::span<const char* const> FemaleNames();
std::span<const char* const> Streets();
std::span<const Town> Towns();

std::span<const char* const> SupplierWords();
std::span<const char* const> SupplierForms(); // "S.r.l." and the like

std::span<const char* const> TripKinds(); // "Settimana", "Weekend", ...
std::span<const char* const> Destinations();
std::span<const char* const> Services(); // articles that are not trips

std::span<const char* const> Prizes();
std::span<const char* const> Bonuses();

} // namespace modSampleData
