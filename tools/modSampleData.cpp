#include "modSampleData.h"

namespace modSampleData {
namespace {
constexpr const char* kSurnames[] = {
    "Rossi",     "Russo",   "Ferrari",   "Esposito",   "Bianchi",    "Romano",     "Colombo",
    "Ricci",     "Marino",  "Greco",     "Bruno",      "Gallo",      "Conti",      "De Luca",
    "Mancini",   "Costa",   "Giordano",  "Rizzo",      "Lombardi",   "Moretti",    "Barbieri",
    "Fontana",   "Santoro", "Mariani",   "Rinaldi",    "Caruso",     "Ferrara",    "Galli",
    "Martini",   "Leone",   "Longo",     "Gentile",    "Martinelli", "Vitale",     "Lombardo",
    "Serra",     "Coppola", "De Santis", "D'Angelo",   "Marchetti",  "Parisi",     "Villa",
    "Conte",     "Ferraro", "Ferri",     "Fabbri",     "Bianco",     "Marini",     "Grasso",
    "Valentini", "Messina", "Sala",      "De Angelis", "Gatti",      "Pellegrini", "Palumbo",
    "Sanna",     "Farina",  "Rizzi",     "Monti",      "Cattaneo",   "Morelli",    "Amato",
    "Silvestri", "Mazza",   "Testa",     "Grassi",     "Pellegrino", "Carbone",    "Giuliani",
};
constexpr const char* kMaleNames[] = {
    "Marco",  "Giuseppe", "Giovanni", "Antonio",  "Francesco", "Luca",     "Alessandro",
    "Andrea", "Roberto",  "Stefano",  "Paolo",    "Mario",     "Luigi",    "Salvatore",
    "Davide", "Matteo",   "Simone",   "Federico", "Lorenzo",   "Riccardo", "Gian Luca",
    "Fabio",  "Massimo",  "Claudio",  "Pietro",   "Vincenzo",  "Enrico",   "Carlo",
};
constexpr const char* kFemaleNames[] = {
    "Maria",     "Anna",     "Giulia",   "Francesca", "Laura",    "Sara",    "Chiara",
    "Valentina", "Elena",    "Paola",    "Silvia",    "Federica", "Roberta", "Alessandra",
    "Martina",   "Giovanna", "Cristina", "Simona",    "Barbara",  "Monica",  "Anna Maria",
    "Rosa",      "Teresa",   "Lucia",    "Elisa",     "Marta",    "Ilaria",  "Angela",
};
constexpr const char* kStreets[] = {
    "Via Roma",
    "Via Garibaldi",
    "Corso Italia",
    "Via Mazzini",
    "Via Cavour",
    "Piazza della Repubblica",
    "Via Dante",
    "Viale Europa",
    "Via Verdi",
    "Via Marconi",
    "Corso Vittorio Emanuele",
    "Via XX Settembre",
    "Via Manzoni",
    "Via San Francesco",
    "Viale dei Mille",
    "Via Leopardi",
    "Via Gramsci",
    "Via Kennedy",
    "Via dei Tigli",
    "Lungomare Colombo",
};
constexpr Town kTowns[] = {
    {"Milano", "MI", 20121, "02", "F205"},   {"Roma", "RM", 185, "06", "H501"},
    {"Napoli", "NA", 80133, "081", "F839"},  {"Torino", "TO", 10121, "011", "L219"},
    {"Palermo", "PA", 90133, "091", "G273"}, {"Genova", "GE", 16121, "010", "D969"},
    {"Bologna", "BO", 40121, "051", "A944"}, {"Firenze", "FI", 50122, "055", "D612"},
    {"Bari", "BA", 70121, "080", "A662"},    {"Catania", "CT", 95121, "095", "C351"},
    {"Venezia", "VE", 30121, "041", "L736"}, {"Verona", "VR", 37121, "045", "L781"},
    {"Padova", "PD", 35121, "049", "G224"},  {"Trieste", "TS", 34121, "040", "L424"},
    {"Brescia", "BS", 25121, "030", "B157"}, {"Parma", "PR", 43121, "0521", "G337"},
    {"Modena", "MO", 41121, "059", "F257"},  {"Perugia", "PG", 6121, "075", "G478"},
    {"Cagliari", "CA", 9121, "070", "B354"}, {"Lecce", "LE", 73100, "0832", "E506"},
    {"Bergamo", "BG", 24121, "035", "A794"}, {"Salerno", "SA", 84121, "089", "H703"},
    {"Pescara", "PE", 65121, "085", "G482"}, {"Rimini", "RN", 47921, "0541", "H294"},
};
constexpr const char* kSupplierWords[] = {
    "Sole",    "Mare Blu",  "Orizzonti",  "Girasole",      "Altamarea", "Mediterranea",
    "Aurora",  "Atlantide", "Arcobaleno", "Stella Polare", "Gabbiano",  "Vela",
    "Itaca",   "Sirena",    "Dolomiti",   "Oasi",          "Miraggio",  "Bussola",
    "Levante", "Ponente",   "Tramontana",
};
constexpr const char* kSupplierForms[] = {"Viaggi",  "Tour Operator", "Crociere",
                                          "Vacanze", "Travel",        "Turismo"};
constexpr const char* kTripKinds[] = {"Settimana a",
                                      "Weekend a",
                                      "Tour di",
                                      "Soggiorno a",
                                      "Crociera a",
                                      "Volo A/R per",
                                      "Pacchetto benessere a",
                                      "Viaggio di nozze a",
                                      "Ponte di primavera a",
                                      "Capodanno a"};
constexpr const char* kDestinations[] = {
    "Parigi",    "Londra",    "Barcellona",   "Sharm el Sheikh", "New York", "Tenerife",
    "Santorini", "Praga",     "Vienna",       "Amsterdam",       "Lisbona",  "Budapest",
    "Istanbul",  "Marrakech", "Zanzibar",     "Maldive",         "Cuba",     "Tokyo",
    "Dubai",     "Mauritius", "Sicilia",      "Sardegna",        "Puglia",   "Costiera Amalfitana",
    "Dolomiti",  "Toscana",   "Cinque Terre", "Lago di Garda",   "Berlino",  "Atene",
};
constexpr const char* kServices[] = {
    "Assicurazione annullamento", "Assicurazione sanitaria", "Noleggio auto",
    "Transfer aeroporto",         "Diritti di agenzia",      "Visto turistico",
    "Escursione in barca",        "Biglietto traghetto"};
constexpr const char* kPrizes[] = {
    "Zaino da viaggio",   "Valigia trolley",        "Set da viaggio",       "Guida turistica",
    "Cuscino da viaggio", "Adattatore universale",  "Borsa frigo",          "Ombrello tascabile",
    "Cena per due",       "Weekend in agriturismo", "Macchina fotografica", "Powerbank",
    "Orologio da polso",  "Cuffie senza fili",      "Ingresso alle terme",  "Abbonamento rivista",
};
constexpr const char* kBonuses[] = {
    "Bonus estate",        "Bonus inverno",   "Bonus famiglia",       "Bonus fedelta",
    "Bonus primavera",     "Bonus crociere",  "Bonus lunga distanza", "Bonus last minute",
    "Bonus prenota prima", "Bonus compleanno"};
} // namespace

std::span<const char* const> Surnames() {
    return kSurnames;
}
std::span<const char* const> MaleNames() {
    return kMaleNames;
}
std::span<const char* const> FemaleNames() {
    return kFemaleNames;
}
std::span<const char* const> Streets() {
    return kStreets;
}
std::span<const Town> Towns() {
    return kTowns;
}
std::span<const char* const> SupplierWords() {
    return kSupplierWords;
}
std::span<const char* const> SupplierForms() {
    return kSupplierForms;
}
std::span<const char* const> TripKinds() {
    return kTripKinds;
}
std::span<const char* const> Destinations() {
    return kDestinations;
}
std::span<const char* const> Services() {
    return kServices;
}
std::span<const char* const> Prizes() {
    return kPrizes;
}
std::span<const char* const> Bonuses() {
    return kBonuses;
}

} // namespace modSampleData
