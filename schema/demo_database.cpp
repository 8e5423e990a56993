#include "schema/demo_database.hpp"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "schema_ddl.hpp"

#include "common/date_time.hpp"

namespace zorvanil::schema {

std::string_view schemaDdl() {
    return generated::kSchemaDdl;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Deterministic randomness: splitmix64, and only integer arithmetic on its output, so the same
// seed gives the same database with any compiler and standard library.
// ---------------------------------------------------------------------------------------------

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [0, n).
    std::int64_t below(std::int64_t n) {
        return n <= 1 ? 0 : static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(n));
    }
    // A number in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + below(high - low + 1);
    }
    int intBetween(int low, int high) { return static_cast<int>(between(low, high)); }
    bool percent(int p) { return below(100) < p; }
    template <typename T>
    const T& pick(std::span<const T> items) {
        return items[static_cast<std::size_t>(below(static_cast<std::int64_t>(items.size())))];
    }

  private:
    std::uint64_t state_;
};

// One independent stream per table, so that the rows of one table do not depend on how many
// numbers an earlier table drew.
Random streamFor(std::uint64_t seed, std::string_view table) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : table)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    Random mixer(seed ^ hash);
    return Random(mixer.next());
}

// ---------------------------------------------------------------------------------------------
// Values as they are stored
// ---------------------------------------------------------------------------------------------

struct Null {};
constexpr Null kNull{};

struct Money {  // an amount in cents, stored as a DOUBLE in euros
    std::int64_t cents = 0;
};
struct Quantity {  // a quantity in tenths, stored as a DOUBLE
    std::int64_t tenths = 0;
};
struct Day {  // days since 1970-01-01, stored as 'YYYY-MM-DD'
    int value = 0;
};
struct Clock {  // seconds since midnight, stored as 'HH:MM:SS'
    int seconds = 0;
};
struct Bytes {
    std::span<const unsigned char> data;
};

int daysFromCivil(int y, int m, int d) {
    return Date::fromYmd(y, m, d).days;
}

int yearOf(int day) {
    int y, m, d;
    Date{day}.toYmd(y, m, d);
    return y;
}
bool isSunday(int day) {
    return (day % 7 + 7 + 4) % 7 == 0;
}  // 1970-01-01 was a Thursday

std::string dayText(int day) {
    return Date{day}.toString();
}

std::string clockText(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string padded(std::int64_t number, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(number));
    return text;
}

std::string cut(std::string text, std::size_t size) {
    if (text.size() > size) text.resize(size);
    return text;
}

// ---------------------------------------------------------------------------------------------
// SQLite
// ---------------------------------------------------------------------------------------------

[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    throw std::runtime_error("Demo database: " + std::string(what) + ": " + sqlite3_errmsg(db));
}

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            fail(db, std::string("cannot prepare ") + sql);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the values in order and runs the statement once.
    template <typename... Values>
    void run(const Values&... values) {
        int index = 0;
        (bind(++index, values), ...);
        if (sqlite3_step(stmt_) != SQLITE_DONE) fail(db_, sqlite3_sql(stmt_));
        sqlite3_reset(stmt_);
        ++rows_;
    }
    std::int64_t rows() const { return rows_; }

  private:
    void check(int rc) {
        if (rc != SQLITE_OK) fail(db_, "cannot bind a value");
    }
    void bind(int i, Null) { check(sqlite3_bind_null(stmt_, i)); }
    void bind(int i, int value) { check(sqlite3_bind_int64(stmt_, i, value)); }
    void bind(int i, std::int64_t value) { check(sqlite3_bind_int64(stmt_, i, value)); }
    void bind(int i, double value) { check(sqlite3_bind_double(stmt_, i, value)); }
    void bind(int i, Money value) { bind(i, static_cast<double>(value.cents) / 100.0); }
    void bind(int i, Quantity value) { bind(i, static_cast<double>(value.tenths) / 10.0); }
    // The text outlives the step, so SQLite need not copy it.
    void bind(int i, std::string_view value) {
        check(sqlite3_bind_text(stmt_, i, value.data(), static_cast<int>(value.size()),
                                SQLITE_STATIC));
    }
    void bind(int i, const std::string& value) { bind(i, std::string_view(value)); }
    void bind(int i, const char* value) { bind(i, std::string_view(value)); }
    void bind(int i, Day value) { bindCopy(i, dayText(value.value)); }
    void bind(int i, Clock value) { bindCopy(i, clockText(value.seconds)); }
    void bind(int i, Bytes value) {
        check(sqlite3_bind_blob(stmt_, i, value.data.data(), static_cast<int>(value.data.size()),
                                SQLITE_TRANSIENT));
    }
    template <typename T>
    void bind(int i, const std::optional<T>& value) {
        if (value)
            bind(i, *value);
        else
            bind(i, kNull);
    }
    void bindCopy(int i, const std::string& text) {
        check(sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::int64_t rows_ = 0;
};

class Database {
  public:
    explicit Database(const std::string& path) {
        int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (rc != SQLITE_OK) {
            std::string text = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close(db_);
            throw std::runtime_error("Demo database: cannot open '" + path + "': " + text);
        }
    }
    ~Database() { sqlite3_close_v2(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::string text = error ? error : "unknown error";
            sqlite3_free(error);
            throw std::runtime_error("Demo database: " + text);
        }
    }
    void exec(const std::string& sql) { exec(sql.c_str()); }
    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Constant tables of names (ASCII only)
// ---------------------------------------------------------------------------------------------

using Names = std::span<const std::string_view>;

constexpr std::string_view kFirstNames[] = {
    "ANTONIO", "JOSE",      "MANUEL", "FRANCISCO", "DAVID",  "JUAN",     "JAVIER", "DANIEL",
    "CARLOS",  "JESUS",     "PABLO",  "SERGIO",    "VICENT", "JORDI",    "PERE",   "RAFAEL",
    "MIGUEL",  "ALEJANDRO", "MARIA",  "CARMEN",    "ANA",    "ISABEL",   "LAURA",  "CRISTINA",
    "MARTA",   "LUCIA",     "PILAR",  "ELENA",     "ROSA",   "NURIA",    "AMPARO", "TERESA",
    "PAULA",   "SARA",      "RAQUEL", "BEATRIZ",   "SILVIA", "CONSUELO", "NEUS",   "MONTSERRAT"};

constexpr std::string_view kSurnames[] = {
    "GARCIA",  "RODRIGUEZ", "GONZALEZ", "FERNANDEZ", "LOPEZ",     "MARTINEZ",  "SANCHEZ",
    "PEREZ",   "GOMEZ",     "MARTIN",   "JIMENEZ",   "RUIZ",      "HERNANDEZ", "DIAZ",
    "MORENO",  "MUNOZ",     "ALVAREZ",  "ROMERO",    "ALONSO",    "GUTIERREZ", "NAVARRO",
    "TORRES",  "DOMINGUEZ", "VAZQUEZ",  "RAMOS",     "GIL",       "RAMIREZ",   "SERRANO",
    "BLANCO",  "MOLINA",    "MORALES",  "SUAREZ",    "ORTEGA",    "DELGADO",   "CASTRO",
    "ORTIZ",   "RUBIO",     "MARIN",    "SANZ",      "NUNEZ",     "IGLESIAS",  "MEDINA",
    "GARRIDO", "CORTES",    "CASTILLO", "SANTOS",    "LOZANO",    "CANO",      "PRIETO",
    "CALVO",   "VIDAL",     "HERRERA",  "PENA",      "FLORES",    "CABRERA",   "VEGA",
    "FUENTES", "CARRASCO",  "REYES",    "NIETO",     "PASCUAL",   "GIMENEZ",   "IBANEZ",
    "FERRER",  "BENITEZ",   "MORA",     "VICENTE",   "CRESPO",    "PASTOR",    "SOLER",
    "ESTEBAN", "LLORENS",   "BOTELLA",  "SEGARRA",   "BALLESTER", "D'OCON",    "MARTI"};

struct Town {
    std::string_view name;
    std::string_view postcode;
    std::string_view province;
};

constexpr Town kTowns[] = {
    {"VALENCIA", "46001", "VALENCIA"},
    {"TORRENT", "46900", "VALENCIA"},
    {"PATERNA", "46980", "VALENCIA"},
    {"SAGUNTO", "46500", "VALENCIA"},
    {"GANDIA", "46700", "VALENCIA"},
    {"ALZIRA", "46600", "VALENCIA"},
    {"L'ALCUDIA", "46250", "VALENCIA"},
    {"L'ELIANA", "46183", "VALENCIA"},
    {"XATIVA", "46800", "VALENCIA"},
    {"BURJASSOT", "46100", "VALENCIA"},
    {"MANISES", "46940", "VALENCIA"},
    {"ALBORAYA", "46120", "VALENCIA"},
    {"CASTELLON DE LA PLANA", "12001", "CASTELLON"},
    {"VILA-REAL", "12540", "CASTELLON"},
    {"ALICANTE", "03001", "ALICANTE"},
    {"ELCHE", "03201", "ALICANTE"},
    {"BENIDORM", "03501", "ALICANTE"},
    {"L'ALFAS DEL PI", "03580", "ALICANTE"},
    {"MADRID", "28001", "MADRID"},
    {"BARCELONA", "08001", "BARCELONA"},
    {"L'HOSPITALET DE LLOBREGAT", "08901", "BARCELONA"},
    {"ZARAGOZA", "50001", "ZARAGOZA"},
    {"SEVILLA", "41001", "SEVILLA"},
    {"MURCIA", "30001", "MURCIA"},
    {"CUENCA", "16001", "CUENCA"},
    {"TERUEL", "44001", "TERUEL"},
};

constexpr std::string_view kStreets[] = {"CALLE MAYOR",       "AVENIDA DEL PUERTO",
                                         "CALLE COLON",       "PLAZA DEL AYUNTAMIENTO",
                                         "CALLE SAN VICENTE", "AVENIDA BLASCO IBANEZ",
                                         "CALLE DE LA PAZ",   "CAMINO REAL",
                                         "CALLE L'ERA",       "POLIGONO EL OLIVERAL",
                                         "CALLE JAIME I",     "AVENIDA DE FRANCIA",
                                         "CALLE RUZAFA",      "CALLE CUBA",
                                         "AVENIDA DEL CID",   "CALLE DEL MAR",
                                         "CALLE SANTA ANA",   "AVENIDA DE LA CONSTITUCION"};

constexpr std::string_view kTrades[] = {
    "ELECTRICIDAD", "REFORMAS",  "CONSTRUCCIONES", "INSTALACIONES", "BAR",
    "RESTAURANTE",  "HOTEL",     "DECORACION",     "INTERIORISMO",  "FERRETERIA",
    "MUEBLES",      "COMERCIAL", "TALLERES",       "ARQUITECTURA",  "CAFETERIA"};

constexpr std::string_view kPlaces[] = {"EL PUERTO", "LA HUERTA",  "LEVANTE",    "MEDITERRANEO",
                                        "DEL TURIA", "SOL Y MAR",  "LA PLAZA",   "EL CARMEN",
                                        "LA MARINA", "RUZAFA",     "BENIMACLET", "L'HORTA",
                                        "LA SAFOR",  "L'ALBUFERA", "EL CABANYAL"};

// Places with an apostrophe, for the names that the search statements must survive.
constexpr std::string_view kApostrophePlaces[] = {"L'HORTA", "L'ALBUFERA", "L'ELIANA", "D'ARO"};

constexpr std::string_view kCompanySuffixes[] = {"SL", "SA", "SC", "SLU", "CB"};

constexpr std::string_view kSupplierWords[] = {"ILUMINACIONES", "DISTRIBUCIONES ELECTRICAS",
                                               "LAMPARAS",      "MATERIAL ELECTRICO",
                                               "LUMINOTECNIA",  "IMPORTACIONES",
                                               "CRISTALERIAS",  "SUMINISTROS"};

constexpr std::string_view kBrands[] = {"FARO",    "LEDS C4", "PHILIPS", "OSRAM",    "SIMON",
                                        "NIESSEN", "SULION",  "EGLO",    "TRIO",     "DOPO",
                                        "LEGRAND", "MANTRA",  "ACB",     "SCHNEIDER"};

struct Colour {
    std::string_view code;
    std::string_view description;
};

constexpr Colour kColours[] = {
    {"BL", "BLANCO"},  {"NG", "NEGRO"},     {"CR", "CROMO"},         {"NQ", "NIQUEL SATINADO"},
    {"OR", "ORO"},     {"OV", "ORO VIEJO"}, {"PL", "PLATA"},         {"PV", "PLATA VIEJA"},
    {"PAT", "PATINA"}, {"CU", "COBRE"},     {"BR", "BRONCE"},        {"RJ", "ROJO"},
    {"AZ", "AZUL"},    {"VD", "VERDE"},     {"GR", "GRIS"},          {"GRF", "GRAFITO"},
    {"MA", "MARRON"},  {"CRE", "CREMA"},    {"TRA", "TRANSPARENTE"}, {"MAD", "MADERA"},
    {"OXI", "OXIDO"},  {"CUERO", "CUERO"}};

struct PaymentMethod {
    std::string_view code;
    std::string_view description;
};

constexpr PaymentMethod kPaymentMethods[] = {{"EF", "EFECTIVO"},
                                             {"TJ", "TARJETA DE CREDITO"},
                                             {"TR", "TRANSFERENCIA BANCARIA"},
                                             {"RB", "RECIBO DOMICILIADO"},
                                             {"CH", "CHEQUE"},
                                             {"BZ", "BIZUM"},
                                             {"FI", "FINANCIADO"}};

constexpr int kVatRates[] = {0, 4, 10, 21};
constexpr int kVat = 21;  // every article of the shop carries the general rate
constexpr std::int64_t kSurcharge =
    52;  // equivalence surcharge of retailers, in tenths of a percent

struct Family {
    std::string_view code;
    std::string_view description;
};

// The family tree: the code of a family begins with the code of its parent.
constexpr Family kFamilies[] = {
    {"01", "ILUMINACION INTERIOR"},
    {"0101", "LAMPARAS DE TECHO"},
    {"010101", "LAMPARAS CLASICAS"},
    {"010102", "LAMPARAS MODERNAS"},
    {"010103", "PLAFONES"},
    {"010104", "VENTILADORES CON LUZ"},
    {"0102", "APLIQUES"},
    {"010201", "APLIQUES DE PARED"},
    {"010202", "APLIQUES DE BANO"},
    {"0103", "SOBREMESA Y PIE"},
    {"010301", "LAMPARAS DE SOBREMESA"},
    {"010302", "LAMPARAS DE PIE"},
    {"010303", "FLEXOS"},
    {"02", "ILUMINACION EXTERIOR"},
    {"0201", "FAROLAS"},
    {"0202", "APLIQUES DE EXTERIOR"},
    {"0203", "PROYECTORES"},
    {"03", "BOMBILLAS"},
    {"0301", "BOMBILLAS LED"},
    {"0302", "BOMBILLAS HALOGENAS"},
    {"0303", "FLUORESCENCIA"},
    {"04", "MATERIAL ELECTRICO"},
    {"0401", "CABLE"},
    {"0402", "MECANISMOS"},
    {"0403", "CAJAS Y TUBOS"},
    {"0404", "REGLETAS Y ALARGADORES"},
    {"05", "PANTALLAS Y REPUESTOS"},
    {"0501", "PANTALLAS"},
    {"0502", "CRISTALES"},
    {"0503", "PORTALAMPARAS"},
    {"06", "SERVICIOS"},
    {"0601", "PORTES"},
    {"0602", "INSTALACION"},
};

// What the articles of one family are like.
struct ArticleKind {
    std::string_view family;  // a leaf of kFamilies
    std::string_view tag;     // first letters of the article codes
    std::string_view noun;
    int maxArms;           // lamps with arms: 1..maxArms; 0 for none
    bool byLength;         // sold by the metre, in tenths
    bool service;          // not stock-tracked, no bar code, no colour, no supplier
    std::int64_t minCost;  // cents
    std::int64_t maxCost;
    int weight;  // how many articles of this kind, relatively
};

constexpr ArticleKind kArticleKinds[] = {
    {"010101", "LTC", "LAMPARA ARANA", 12, false, false, 6000, 60000, 6},
    {"010102", "LTM", "LAMPARA TECHO", 6, false, false, 4000, 40000, 8},
    {"010103", "PLA", "PLAFON", 0, false, false, 1500, 15000, 6},
    {"010104", "VEN", "VENTILADOR TECHO CON LUZ", 0, false, false, 8000, 40000, 3},
    {"010201", "APL", "APLIQUE PARED", 2, false, false, 1500, 12000, 7},
    {"010202", "APB", "APLIQUE BANO IP44", 0, false, false, 2000, 9000, 3},
    {"010301", "SOB", "LAMPARA SOBREMESA", 0, false, false, 2000, 20000, 5},
    {"010302", "PIE", "LAMPARA DE PIE", 3, false, false, 5000, 30000, 3},
    {"010303", "FLX", "FLEXO", 0, false, false, 1500, 8000, 3},
    {"0201", "FAR", "FAROLA JARDIN", 0, false, false, 6000, 30000, 2},
    {"0202", "APE", "APLIQUE EXTERIOR", 0, false, false, 2000, 12000, 3},
    {"0203", "PRO", "PROYECTOR LED", 0, false, false, 1500, 9000, 3},
    {"0301", "BLD", "BOMBILLA LED", 0, false, false, 150, 1500, 12},
    {"0302", "BHA", "BOMBILLA HALOGENA", 0, false, false, 100, 900, 5},
    {"0303", "TFL", "TUBO FLUORESCENTE", 0, false, false, 200, 1200, 3},
    {"0401", "CAB", "CABLE FLEXIBLE", 0, true, false, 40, 400, 4},
    {"0402", "MEC", "MECANISMO", 0, false, false, 200, 3000, 10},
    {"0403", "CAJ", "CAJA DE EMPALME", 0, false, false, 50, 800, 4},
    {"0404", "REG", "REGLETA", 0, false, false, 300, 2500, 3},
    {"0501", "PAN", "PANTALLA TELA", 0, false, false, 500, 4000, 3},
    {"0502", "CRI", "CRISTAL REPUESTO", 0, false, false, 300, 3000, 2},
    {"0503", "POR", "PORTALAMPARAS", 0, false, false, 50, 600, 2},
    {"0601", "PRT", "PORTES", 0, false, true, 500, 3000, 1},
    {"0602", "INS", "MANO DE OBRA INSTALACION", 0, false, true, 2000, 6000, 1},
};

constexpr std::string_view kMechanisms[] = {"INTERRUPTOR", "CONMUTADOR", "ENCHUFE SCHUKO",
                                            "PULSADOR",    "REGULADOR",  "TOMA TV"};
constexpr std::string_view kBulbSockets[] = {"E27", "E14", "GU10", "G9", "R7S", "GU5.3"};
constexpr std::string_view kCableSections[] = {"1,5 MM", "2,5 MM", "4 MM", "6 MM"};
constexpr std::string_view kStyles[] = {"CLASICA", "MODERNA",    "RUSTICA",    "VINTAGE",
                                        "NORDICA", "INDUSTRIAL", "MINIMALISTA"};

constexpr std::string_view kOutReasons[] = {"ROTURA EN TIENDA", "USO INTERNO",
                                            "MUESTRAS PARA FERIA", "DEVOLUCION A PROVEEDOR",
                                            "REGULARIZACION DE STOCK"};
constexpr std::string_view kNoticeReasons[] = {
    "INSTALACION DE LAMPARA",       "AVERIA EN PUNTO DE LUZ", "CAMBIO DE MECANISMOS",
    "REVISION DE CUADRO ELECTRICO", "MONTAJE DE VENTILADOR",  "PRESUPUESTO EN DOMICILIO"};
constexpr std::string_view kNoticeStates[] = {"PENDIENTE", "EN CURSO", "TERMINADO", "ANULADO"};
constexpr std::string_view kQuoteLineStates[] = {"PENDIENTE", "ACEPTADO", "RECHAZADO"};

// Data period: two years of documents, up to the day before the default seed's date.
const int kFirstDay = daysFromCivil(2025, 1, 2);
const int kLastDay = daysFromCivil(2026, 12, 7);
constexpr int kYears[] = {2025, 2026};
constexpr int kCompanies = 2;
constexpr std::string_view kSeries[] = {"A", "B",
                                        "T"};  // A and B for notes and invoices, T for tickets

// ---------------------------------------------------------------------------------------------
// In-memory picture of the master data that documents refer to
// ---------------------------------------------------------------------------------------------

struct Customer {
    std::string nif;
    bool deleted = false;
    bool surcharge = false;  // a retailer: documents carry the equivalence surcharge
};

struct Article {
    std::string id;
    std::string description;
    std::string brand;
    std::int64_t cost = 0;   // cents
    std::int64_t price = 0;  // cents, without VAT
    bool tracked = false;
    bool deleted = false;
    bool byLength = false;
    std::string barcode;  // the first bar code; empty when the article has none
    std::optional<int> supplier;
    std::string supplierCode;
    std::optional<std::string> colour;
    int arms = 0;
};

struct Line {
    const Article* article = nullptr;
    std::int64_t quantity = 0;  // tenths
    int discount = 0;           // percent
    std::int64_t gross = 0;     // cents, quantity x price
    std::int64_t amount = 0;    // cents, after the line discount
};

struct Totals {
    std::int64_t lines = 0;         // sum of line amounts
    std::int64_t lineDiscount = 0;  // what the line discounts took off
    std::int64_t discount = 0;      // header discount in cents
    std::int64_t base = 0;          // taxable base
    std::int64_t vat = 0;
    std::int64_t surcharge = 0;
    std::int64_t total = 0;
};

// A sales document while it is generated: header values and its lines.
struct Document {
    int company = 1;
    int day = 0;
    int time = 0;
    std::string series;
    int year = 0;
    int number = 0;
    std::optional<int> customer;
    int discount = 0;  // percent
    bool surcharge = false;
    std::vector<Line> lines;
    Totals totals;
    int source = -1;  // an invoice's origin: a delivery note's index, or kFromTicket + a ticket's
};

constexpr int kFromTicket = 1 << 24;

struct SeriesKey {
    int company;
    int year;
    std::string series;
    bool operator<(const SeriesKey& o) const {
        return std::tie(company, year, series) < std::tie(o.company, o.year, o.series);
    }
};

// ---------------------------------------------------------------------------------------------
// The generator
// ---------------------------------------------------------------------------------------------

class Generator {
  public:
    Generator(Database& db, const DemoOptions& options)
        : db_(db), options_(options), scale_(options.scale) {}

    void run() {
        companies();
        seriesAndPayments();
        families();
        suppliers();
        customers();
        articles();
        stock();
        quotes();
        deliveryNotes();
        tickets();
        invoices();
        payments();
        goodsIn();
        goodsOut();
        notices();
        pendingOrders();
        cashCounts();
        counters();
    }

  private:
    Random stream(std::string_view table) const { return streamFor(options_.seed, table); }
    sqlite3* handle() const { return db_.handle(); }

    void report(std::string_view table, std::int64_t rows) {
        if (!options_.progress) return;
        options_.progress(std::string(table) + ": " + std::to_string(rows) + " rows");
    }
    void report(const Statement& statement, std::string_view table) {
        report(table, statement.rows());
    }

    int count(int perScale) const { return perScale * scale_; }

    static int randomDay(Random& r) {
        int day = static_cast<int>(r.between(kFirstDay, kLastDay));
        return isSunday(day) ? day - 1 : day;  // the shop is closed on Sundays
    }
    // Opening hours: 9:30 to 13:30 and 17:00 to 20:30.
    static int randomTime(Random& r) {
        return r.percent(60) ? r.intBetween(34200, 48600) : r.intBetween(61200, 73800);
    }
    static int company(Random& r) { return r.percent(75) ? 1 : 2; }

    // A customer for document number i: most are live customers, a few have none and a few name
    // a customer that does not exist.
    std::optional<int> documentCustomer(Random& r, int i) {
        if (i % 25 == 3) return std::nullopt;
        if (i % 25 == 11) return missingCustomer(r);
        return liveCustomer(r);
    }
    int liveCustomer(Random& r) {
        for (;;) {
            int id = r.intBetween(2, static_cast<int>(customers_.size()) - 1);
            if (!customers_[static_cast<std::size_t>(id)].deleted) return id;
        }
    }
    int missingCustomer(Random& r) const {
        return static_cast<int>(customers_.size()) + 1000 + r.intBetween(0, 998);
    }
    bool surchargeOf(const std::optional<int>& customer) const {
        return customer && *customer < static_cast<int>(customers_.size()) &&
               customers_[static_cast<std::size_t>(*customer)].surcharge;
    }
    const Article& sellableArticle(Random& r) const {
        for (;;) {
            const Article& a = articles_[static_cast<std::size_t>(
                r.below(static_cast<std::int64_t>(articles_.size())))];
            if (!a.deleted) return a;
        }
    }

    static Line makeLine(Random& r, const Article& article) {
        Line line;
        line.article = &article;
        if (article.byLength)
            line.quantity = 5 * r.between(2, 100);  // 1 to 50 metres, in half metres
        else
            line.quantity = 10 * (r.percent(70) ? r.between(1, 2) : r.between(3, 12));
        line.discount = r.percent(80) ? 0 : r.intBetween(1, 3) * 5;
        line.gross = (line.quantity * article.price + 5) / 10;
        line.amount = (line.quantity * article.price * (100 - line.discount) + 500) / 1000;
        return line;
    }
    void addLines(Random& r, Document& doc, int low, int high) {
        int n = r.intBetween(low, high);
        for (int i = 0; i < n; ++i)
            doc.lines.push_back(makeLine(r, sellableArticle(r)));
    }
    static void total(Document& doc) {
        Totals& t = doc.totals;
        t = {};
        for (const Line& line : doc.lines) {
            t.lines += line.amount;
            t.lineDiscount += line.gross - line.amount;
        }
        t.discount = (t.lines * doc.discount + 50) / 100;
        t.base = t.lines - t.discount;
        t.vat = (t.base * kVat + 50) / 100;
        t.surcharge = doc.surcharge ? (t.base * kSurcharge + 500) / 1000 : 0;
        t.total = t.base + t.vat + t.surcharge;
    }
    static double surchargeRate(const Document& doc) { return doc.surcharge ? 5.2 : 0.0; }

    // Sorts documents by company, date and time and numbers them per company, year and series.
    static void number(std::vector<Document>& docs) {
        std::stable_sort(docs.begin(), docs.end(), [](const Document& a, const Document& b) {
            return std::tie(a.company, a.day, a.time) < std::tie(b.company, b.day, b.time);
        });
        std::map<SeriesKey, int> last;
        for (Document& doc : docs) {
            doc.year = yearOf(doc.day);
            doc.number = ++last[{doc.company, doc.year, doc.series}];
        }
    }
    static void noteLast(std::map<std::pair<int, int>, int>& counter, int company, int year,
                         int value) {
        int& slot = counter[{company, year}];
        slot = std::max(slot, value);
    }

    // --- companies, series, payment methods, VAT rates ------------------------------------

    void companies() {
        Statement insert(handle(),
                         "INSERT INTO EMPRESAS (ID_EMPRESA,EMPRESA,NOMBRE,CIF_EMPRESA,TIPO,AVISAR,"
                         "SIG_FACTURA) VALUES (?,?,?,?,?,?,?)");
        // SIG_FACTURA is set once the invoices are numbered.
        insert.run(1, 1, "LUZ Y HOGAR DEL TURIA SL", "B46381752", -1, 2, 1);
        insert.run(2, 2, "LUZ Y HOGAR L'HORTA SL", "B98127463", 0, 1, 1);
        report(insert, "EMPRESAS");
    }

    void seriesAndPayments() {
        Statement series(handle(), "INSERT INTO SERIES (ID_EMPRESA,ANYO,ID_SERIE) VALUES (?,?,?)");
        for (int company = 1; company <= kCompanies; ++company)
            for (int year : kYears)
                for (std::string_view code : kSeries)
                    series.run(company, year, code);
        report(series, "SERIES");

        Statement payment(handle(), "INSERT INTO FORMAPAGO (ID_FORMA,DESCRIPCION) VALUES (?,?)");
        for (const PaymentMethod& p : kPaymentMethods)
            payment.run(p.code, p.description);
        report(payment, "FORMAPAGO");

        Statement vat(handle(), "INSERT INTO TIPOSIVA (TIPO) VALUES (?)");
        for (int rate : kVatRates)
            vat.run(rate);
        report(vat, "TIPOSIVA");
    }

    // --- families and colours -------------------------------------------------------------

    void families() {
        Statement family(
            handle(), "INSERT INTO FAMILIAS (COD_FAMILIA,DESCRIPCION,PROFUNDIDAD) VALUES (?,?,?)");
        for (const Family& f : kFamilies)
            family.run(f.code, f.description, static_cast<int>(f.code.size() / 2));
        report(family, "FAMILIAS");

        Statement colour(handle(), "INSERT INTO COLORES (ID_COLOR,DESCRIPCION) VALUES (?,?)");
        for (const Colour& c : kColours)
            colour.run(c.code, c.description);
        report(colour, "COLORES");
    }

    // --- suppliers and their accounting types ---------------------------------------------

    void suppliers() {
        Random r = stream("PROVEEDOR_ACREEDOR");
        Statement supplier(
            handle(),
            "INSERT INTO PROVEEDOR_ACREEDOR "
            "(ID_PROVEEDOR,NOMBRE,NIF,DIRECCION,POBLACION,COD_POSTAL,"
            "PROVINCIA,MISMA_DIRECCION,DIRECCION_POSTAL,POBLACION_POSTAL,COD_POSTAL_POSTAL,"
            "PROVINCIA_POSTAL,TELEFONO,FAX,EMAIL,HTTP,OBSERVACIONES,BORRADO) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement type(handle(),
                       "INSERT INTO TIPOS (ID_PROVEEDOR,ID_TIPO,SUBCUENTA) VALUES (?,?,?)");
        const int n = 30 + count(20);
        supplierDeleted_.assign(static_cast<std::size_t>(n) + 1, false);
        for (int id = 1; id <= n; ++id) {
            std::string owner(r.pick(Names(kSurnames)));
            std::string name =
                std::string(r.pick(Names(kSupplierWords))) + " " +
                (id % 41 == 6 ? std::string(r.pick(Names(kApostrophePlaces))) : owner) + " " +
                std::string(r.pick(Names(kCompanySuffixes)));
            std::string slug;
            for (char c : owner)
                if (c >= 'A' && c <= 'Z') slug += static_cast<char>(c - 'A' + 'a');
            slug += std::to_string(id);
            const Town& town = kTowns[static_cast<std::size_t>(r.below(std::size(kTowns)))];
            std::string street =
                std::string(r.pick(Names(kStreets))) + " " + std::to_string(r.between(1, 120));
            bool same = r.percent(80);
            const Town& postalTown =
                same ? town : kTowns[static_cast<std::size_t>(r.below(std::size(kTowns)))];
            std::string postalStreet =
                same ? street : "APARTADO DE CORREOS " + std::to_string(r.between(100, 9999));
            bool deleted = id % 33 == 8;
            supplierDeleted_[static_cast<std::size_t>(id)] = deleted;
            std::optional<std::string> notes;
            if (r.percent(15))
                notes = "PEDIDO MINIMO " + std::to_string(r.between(1, 6) * 50) + " EUR";
            supplier.run(id, cut(name, 100), "B" + padded(r.between(10000000, 99999999), 8), street,
                         town.name, town.postcode, town.province, same ? 1 : 0, postalStreet,
                         postalTown.name, postalTown.postcode, postalTown.province,
                         "96" + padded(r.between(0, 9999999), 7),
                         "96" + padded(r.between(0, 9999999), 7), "pedidos@" + slug + ".es",
                         "www." + slug + ".es", notes, deleted ? -1 : 0);
            type.run(id, 1, "400" + padded(id, 6));
            if (r.percent(30)) type.run(id, 2, "410" + padded(id, 6));
        }
        report(supplier, "PROVEEDOR_ACREEDOR");
        report(type, "TIPOS");
    }

    int liveSupplier(Random& r) const {
        for (;;) {
            int id = r.intBetween(1, static_cast<int>(supplierDeleted_.size()) - 1);
            if (!supplierDeleted_[static_cast<std::size_t>(id)]) return id;
        }
    }

    // --- customers --------------------------------------------------------------------------

    static std::string dni(std::int64_t number) {
        static constexpr char kLetters[] = "TRWAGMYFPDXBNJZSQVHLCKE";
        return padded(number, 8) + kLetters[number % 23];
    }

    void customers() {
        Random r = stream("CLIENTES");
        Statement insert(handle(),
                         "INSERT INTO CLIENTES (ID_CLIENTE,NIF,NOMBRE,NOMBRE_COMERCIAL,BORRADO) "
                         "VALUES (?,?,?,?,?)");
        const int n = count(1000);
        customers_.assign(static_cast<std::size_t>(n) + 1, Customer{});
        // Customer 1 stands for the anonymous buyer of the till.
        insert.run(1, kNull, "CLIENTE CONTADO", "CLIENTE CONTADO", 0);
        for (int id = 2; id <= n; ++id) {
            Customer& c = customers_[static_cast<std::size_t>(id)];
            std::string name;
            std::optional<std::string> trade;
            bool business = r.percent(30) || id % 97 == 5;
            if (business) {
                std::string place = id % 97 == 5 ? std::string(r.pick(Names(kApostrophePlaces)))
                                                 : std::string(r.pick(Names(kPlaces)));
                std::string trading = std::string(r.pick(Names(kTrades))) + " " + place;
                name = trading + " " + std::string(r.pick(Names(kCompanySuffixes)));
                trade = trading;
                c.nif = std::string(r.percent(80) ? "B" : "A") +
                        padded(id * 37 + r.between(0, 36) + 10000000, 8);
                c.surcharge = r.percent(40);
            } else {
                std::string first(r.pick(Names(kFirstNames)));
                std::string surname(r.pick(Names(kSurnames)));
                name = surname + " " + std::string(r.pick(Names(kSurnames))) + ", " + first;
                if (r.percent(40)) trade = first + " " + surname;
                c.nif = dni(id * 37 + r.between(0, 36) + 10000000);
            }
            if (id % 53 == 7)
                trade = (trade ? *trade : name) + "   ";  // stored with trailing blanks
            c.deleted = id % 50 == 3;
            // Some deleted customers share the tax number of a live one (a customer recreated).
            if (c.deleted && id % 100 == 53)
                c.nif = customers_[static_cast<std::size_t>(id - 1)].nif;
            insert.run(id, c.nif, cut(name, 50), trade ? std::optional(cut(*trade, 100)) : trade,
                       c.deleted ? -1 : 0);
        }
        report(insert, "CLIENTES");
    }

    // --- articles, bar codes, price lists -------------------------------------------------

    static std::string ean13(std::int64_t serial) {
        std::string code = "84" + padded(serial, 10);
        int sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += (code[static_cast<std::size_t>(i)] - '0') * (i % 2 ? 3 : 1);
        code += static_cast<char>('0' + (10 - sum % 10) % 10);
        return code;
    }

    static std::string describe(Random& r, const ArticleKind& kind, int arms,
                                const std::optional<std::string>& colour, int model) {
        std::string text(kind.noun);
        if (kind.tag == "MEC") text = std::string(r.pick(Names(kMechanisms)));
        if (kind.tag == "LTM" || kind.tag == "SOB" || kind.tag == "PIE")
            text += " " + std::string(r.pick(Names(kStyles)));
        if (arms > 0) text += " " + std::to_string(arms) + (arms == 1 ? " BRAZO" : " BRAZOS");
        if (kind.tag == "BLD" || kind.tag == "BHA")
            text += " " + std::string(r.pick(Names(kBulbSockets))) + " " +
                    std::to_string(r.between(3, 15) * (kind.tag == "BHA" ? 10 : 1)) + "W";
        if (kind.tag == "CAB") text += " " + std::string(r.pick(Names(kCableSections)));
        if (colour) {
            for (const Colour& c : kColours)
                if (c.code == *colour) text += " " + std::string(c.description);
        }
        if (!kind.service) text += " MOD. " + std::to_string(model);
        return text;
    }

    void articles() {
        Random r = stream("ARTICULOS");
        Statement article(
            handle(),
            "INSERT INTO ARTICULOS (COD_ARTICULO,COD_FAMILIA,PROFUNDIDAD,ID_ARTICULO,DESCRIPCION,"
            "DESCRIPCIONTICKET,BENEFICIO,PRECIO_COSTE,PRECIO_MAX_COSTE,PRECIO_MIN_COSTE,"
            "PRECIO_MED_COSTE,PRECIO_VENTA,IVA,BRAZOS,ID_COLOR,PVPCAT,DESCUENTO,MARCA,IMAGEN,TRANS,"
            "ART_PROVEEDOR,ID_PROVEEDOR,OBSERVACIONES,OLDART_PROVEEDOR,OLDID_PROVEEDOR,"
            "MOSTRARIMAGEN,MOSTRARDESCRIPCION,POSICION,POSICIONUSO,DESCRIPCIONBOTON,"
            "MOSTRARPOSICION,MOSTRARPOSICIONUSO,BORRADO,ALMACENABLEBORRAR,ALMACENABLE,TRANSPORTES,"
            "FINANCIEROS,OTROSCOSTES,PVPPROV,PVP2,FMODIFICACION,CONTADOR) "
            "VALUES "
            "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
            "?,?)");
        Statement ean(handle(), "INSERT INTO EAN (EAN,ID_ARTICULO) VALUES (?,?)");
        Statement tariff(
            handle(),
            "INSERT INTO TARIFAS_PROVEEDORES (ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,"
            "GDESCRIPCION,NOMBRE,OBSERVACIONES,FECHA,DIAS_SUMINISTRO,EAN_FABRICANTE,MARCA,BRAZOS,"
            "ID_COLOR,PRECIO,DESCUENTO,NETO,IVA,PVPCAT) VALUES "
            "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");

        int totalWeight = 0;
        for (const ArticleKind& k : kArticleKinds)
            totalWeight += k.weight;
        const int n = count(1000);
        articles_.reserve(static_cast<std::size_t>(n));
        std::int64_t barcodeSerial = 4210000000 + r.below(1000000);
        std::int64_t supplierCodeSerial = 0;
        // A tiny stand-in picture for the few articles that carry one.
        static constexpr unsigned char kPicture[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                                     0,    0,   0,   13,  'I',  'H',  'D',  'R'};
        const int tariffDays[] = {daysFromCivil(2025, 1, 15), daysFromCivil(2026, 1, 15)};

        for (int code = 1; code <= n; ++code) {
            int roll = static_cast<int>(r.below(totalWeight));
            const ArticleKind* kind = &kArticleKinds[0];
            for (const ArticleKind& k : kArticleKinds) {
                if (roll < k.weight) {
                    kind = &k;
                    break;
                }
                roll -= k.weight;
            }
            Article a;
            a.id = std::string(kind->tag) + padded(code, 6);
            a.brand = kind->service ? "" : std::string(r.pick(Names(kBrands)));
            a.byLength = kind->byLength;
            a.arms = kind->maxArms > 0 ? r.intBetween(1, kind->maxArms) : 0;
            if (!kind->service && code % 20 != 3 && r.percent(80))
                a.colour = std::string(
                    kColours[static_cast<std::size_t>(r.below(std::size(kColours)))].code);
            if (!kind->service && code % 25 != 4 && r.percent(92)) {
                a.supplier = liveSupplier(r);
                a.supplierCode = "R" + padded(++supplierCodeSerial, 7);
            }
            a.cost = r.between(kind->minCost, kind->maxCost);
            int margin = r.intBetween(30, 90);
            a.price = (a.cost * (100 + margin) + 50) / 100;
            a.deleted = code % 50 == 17;
            a.tracked = !kind->service && code % 40 != 9;
            a.description = describe(r, *kind, a.arms, a.colour, r.intBetween(1000, 9999));

            int barcodes = kind->service || code % 30 == 21 ? 0 : (r.percent(85) ? 1 : 2);
            for (int b = 0; b < barcodes; ++b) {
                std::string barcode = ean13(++barcodeSerial);
                ean.run(barcode, a.id);
                if (b == 0) a.barcode = barcode;
                articleBarcodes_.push_back({barcode, a.tracked});
            }

            std::int64_t costMin = a.cost - r.between(0, a.cost / 10);
            std::int64_t costMax = a.cost + r.between(0, a.cost / 10);
            bool formerSupplier = a.supplier && r.percent(5);
            std::optional<int> oldSupplier;
            std::optional<std::string> oldCode;
            if (formerSupplier) {
                oldSupplier = liveSupplier(r);
                oldCode = "R" + padded(++supplierCodeSerial, 7);
            }
            std::optional<std::string> notes;
            if (r.percent(8)) notes = "CONSULTAR PLAZO DE ENTREGA";
            std::optional<Bytes> picture;
            if (code % 100 == 1) picture = Bytes{kPicture};
            std::string family(kind->family);
            article.run(
                code, family, static_cast<int>(family.size() / 2), a.id, a.description,
                cut(a.description, 30), static_cast<double>(margin), Money{a.cost}, Money{costMax},
                Money{costMin}, Money{(costMin + costMax) / 2}, Money{a.price},
                static_cast<double>(kVat), a.arms > 0 ? std::optional(a.arms) : std::nullopt,
                a.colour, Money{(a.price * 12 + 5) / 10},
                r.percent(85) ? 0.0 : static_cast<double>(r.between(1, 4) * 5),
                a.brand.empty() ? std::nullopt : std::optional(a.brand), picture,
                Money{kind->service ? 0 : r.between(0, 300)},
                a.supplier ? std::optional(a.supplierCode) : std::nullopt, a.supplier, notes,
                oldCode, oldSupplier, picture ? 1 : 0, 1, static_cast<int>(code % 500),
                static_cast<int>(r.below(100)), cut(a.description, 15), r.percent(20) ? 1 : 0,
                r.percent(10) ? 1 : 0, a.deleted ? -1 : 0, 0.0, a.tracked ? 1 : 0,
                r.percent(30) ? 1 : 0, 0, 0, Money{(a.price * 115 + 50) / 100},
                Money{(a.price * 95 + 50) / 100}, Day{kFirstDay - static_cast<int>(r.below(900))},
                static_cast<int>(r.below(5000)));

            if (a.supplier) {
                int discount = r.intBetween(0, 8) * 5;
                std::int64_t list = (a.cost * 100 + (100 - discount) / 2) / (100 - discount);
                tariff.run(*a.supplier, a.supplierCode, a.id, "G" + family, familyName(family),
                           a.description.substr(0, 100),
                           r.percent(10) ? std::optional<std::string>("SUSTITUYE A MODELO ANTERIOR")
                                         : std::nullopt,
                           Day{tariffDays[r.below(2)]}, r.intBetween(2, 30),
                           a.barcode.empty() ? std::nullopt : std::optional(a.barcode),
                           std::optional(a.brand),
                           a.arms > 0 ? std::optional(a.arms) : std::nullopt, a.colour, Money{list},
                           static_cast<double>(discount), Money{a.cost}, static_cast<double>(kVat),
                           Money{(a.price * 12 + 5) / 10});
                // Catalogue items of the same supplier that the shop does not stock.
                if (r.percent(20)) {
                    std::int64_t price = r.between(kind->minCost, kind->maxCost);
                    std::int64_t serial = ++supplierCodeSerial;
                    tariff.run(*a.supplier, "R" + padded(serial, 7), kNull, "G" + family,
                               familyName(family),
                               describe(r, *kind, a.arms, std::nullopt, r.intBetween(1000, 9999)),
                               kNull, Day{tariffDays[r.below(2)]}, r.intBetween(5, 45),
                               ean13(9000000000 + serial), a.brand, kNull, kNull, Money{price}, 0.0,
                               Money{price}, static_cast<double>(kVat),
                               Money{(price * 20 + 5) / 10});
                }
            }
            articles_.push_back(std::move(a));
        }
        report(article, "ARTICULOS");
        report(ean, "EAN");
        report(tariff, "TARIFAS_PROVEEDORES");
    }

    static std::string familyName(const std::string& code) {
        for (const Family& f : kFamilies)
            if (f.code == code) return std::string(f.description);
        return {};
    }

    // --- stock -----------------------------------------------------------------------------

    void stock() {
        Random r = stream("ALMACEN");
        Statement almacen(handle(),
                          "INSERT INTO ALMACEN (ID_ARTICULO,ID_EMPRESA,DESCRIPCION,MARCA,CANTIDAD,"
                          "AVISAR) VALUES (?,?,?,?,?,?)");
        for (const Article& a : articles_) {
            if (!a.tracked) continue;
            for (int company = 1; company <= kCompanies; ++company) {
                if (company == 2 && !r.percent(40)) continue;
                int alert = r.percent(70) ? (company == 1 ? 2 : 1) : r.intBetween(0, 5);
                std::int64_t quantity;
                if (a.byLength)
                    quantity = 5 * r.between(0, 1000);
                else if (r.percent(4))
                    quantity = -10 * r.between(1, 3);  // sold before it was received
                else if (r.percent(15))
                    quantity = 10 * r.between(0, alert);  // at or below its alert level
                else
                    quantity = 10 * r.between(alert + 1, 40);
                almacen.run(a.id, company, a.description,
                            a.brand.empty() ? std::nullopt : std::optional(a.brand),
                            Quantity{quantity}, alert);
            }
        }
        report(almacen, "ALMACEN");

        Statement detail(handle(),
                         "INSERT INTO ALMACENDETALLE (CODIGO_BARRAS,CANTIDAD) VALUES (?,?)");
        Statement detail2(handle(),
                          "INSERT INTO ALMACENDETALLE2 (NUMERO1,CODIGO_BARRAS,CANTIDAD) "
                          "VALUES (?,?,?)");
        int number = 0;
        for (const auto& [barcode, tracked] : articleBarcodes_) {
            if (!tracked || r.percent(20)) continue;
            std::int64_t quantity = 10 * r.between(0, 20);
            detail.run(barcode, Quantity{quantity});
            detail2.run(++number, barcode, Quantity{quantity});
            // A few bar codes are counted twice in the second ledger.
            if (number % 200 == 17) detail2.run(++number, barcode, Quantity{10 * r.between(0, 5)});
        }
        report(detail, "ALMACENDETALLE");
        report(detail2, "ALMACENDETALLE2");
    }

    // --- quotes ----------------------------------------------------------------------------

    void quotes() {
        Random r = stream("PRESUPUESTOS");
        std::vector<Document> docs(static_cast<std::size_t>(count(25)));
        for (std::size_t i = 0; i < docs.size(); ++i) {
            Document& d = docs[i];
            d.company = company(r);
            d.day = randomDay(r);
            d.time = randomTime(r);
            d.customer = documentCustomer(r, static_cast<int>(i));
        }
        number(docs);
        Statement header(handle(),
                         "INSERT INTO PRESUPUESTOS (ID_PRESUPUESTO,ID_EMPRESA,ANYO,ID_CLIENTE,"
                         "BASE_PRESUPUESTO,BASE_PRESUPUESTOSINIVA,FECHA,DESCUENTO,IVA,VALIDEZ,"
                         "OBSERVACIONES,RE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LINEAS_PRESUPUESTO (ID_PRESUPUESTO,ID_EMPRESA,ANYO,LINEA,"
                       "ID_ARTICULO,DESCRIPCION,MARCA,ART_PROVEEDOR,ID_PROVEEDOR,CANTIDAD,PRECIO,"
                       "DESCUENTO,IVA,IMPORTE,IMPORTE_FACT,BASE_LINEA,PRECIO_COSTE,ESTADO) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (Document& d : docs) {
            d.discount = r.percent(70) ? 0 : r.intBetween(1, 3) * 5;
            d.surcharge = surchargeOf(d.customer);
            addLines(r, d, 1, 8);
            total(d);
            noteLast(counters_.quotes, d.company, d.year, d.number);
            header.run(d.number, d.company, d.year, d.customer, Money{d.totals.total},
                       Money{d.totals.base}, Day{d.day}, static_cast<double>(d.discount),
                       static_cast<double>(kVat), Day{d.day + 30},
                       r.percent(30) ? std::optional<std::string>("PRECIOS VALIDOS 30 DIAS")
                                     : std::nullopt,
                       surchargeRate(d));
            std::string_view state = r.pick(Names(kQuoteLineStates));
            int n = 0;
            for (const Line& l : d.lines) {
                const Article& a = *l.article;
                line.run(d.number, d.company, d.year, ++n, a.id, a.description,
                         a.brand.empty() ? std::nullopt : std::optional(a.brand),
                         a.supplier ? std::optional(a.supplierCode) : std::nullopt, a.supplier,
                         Quantity{l.quantity}, Money{a.price}, static_cast<double>(l.discount),
                         static_cast<double>(kVat), Money{l.amount},
                         Money{state == "ACEPTADO" ? l.amount : 0}, Money{l.gross}, Money{a.cost},
                         state);
            }
        }
        report(header, "PRESUPUESTOS");
        report(line, "LINEAS_PRESUPUESTO");
        quoteCount_ = static_cast<int>(docs.size());
    }

    // --- delivery notes --------------------------------------------------------------------

    // Payment state of a sales document: whether it is paid, how and when.
    struct Payment {
        bool paid = false;
        std::string method;
        int day = 0;
        int time = 0;
        std::int64_t handed = 0;
        std::int64_t change = 0;
    };

    static Payment pay(Random& r, const Document& d, int paidPercent) {
        Payment p;
        p.paid = r.percent(paidPercent);
        p.method = std::string(kPaymentMethods[r.percent(55) ? 0 : r.intBetween(1, 5)].code);
        p.day =
            p.paid ? std::min(d.day + (r.percent(70) ? 0 : r.intBetween(1, 30)), kLastDay) : d.day;
        p.time = p.paid ? (p.day == d.day ? std::min(d.time + r.intBetween(0, 900), 86399)
                                          : randomTime(r))
                        : 0;
        p.handed = d.totals.total;
        if (p.paid && p.method == "EF") {
            std::int64_t step = d.totals.total < 2000 ? 500 : d.totals.total < 10000 ? 1000 : 5000;
            p.handed = (d.totals.total + step - 1) / step * step;
        }
        p.change = p.handed - d.totals.total;
        return p;
    }

    void deliveryNotes() {
        Random r = stream("ALBARANES");
        albaranes_.assign(static_cast<std::size_t>(count(60)), Document{});
        for (std::size_t i = 0; i < albaranes_.size(); ++i) {
            Document& d = albaranes_[i];
            d.company = company(r);
            d.day = randomDay(r);
            d.time = randomTime(r);
            d.series = r.percent(80) ? "A" : "B";
            d.customer = documentCustomer(r, static_cast<int>(i));
        }
        number(albaranes_);
        Statement header(
            handle(),
            "INSERT INTO ALBARANES (ID_ALBARAN,ANYO,ID_EMPRESA,ID_SERIE,FECHA,HORA,FECHAFIN,"
            "ID_CLIENTE,OBSERVACIONES,ID_PRESUPUESTO,ANULADO,COBRADO,ID_FORMA,HORACOBRO,FECHACOBRO,"
            "IVA,BASE_ALBARAN,BASE_ALBARANSINIVA,DESCUENTO,RE,TOTAL_COBRADO,DESCUENTOEURO,ENTREGA,"
            "DEVOLUCION,TOTALCOBRADO,TOTALDESCUENTO) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LIN_ALBARAN (ID_ALBARAN,ANYO,ID_EMPRESA,ID_SERIE,LINEA,"
                       "ID_ARTICULO,CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IVA,"
                       "IMPORTE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (std::size_t i = 0; i < albaranes_.size(); ++i) {
            Document& d = albaranes_[i];
            d.discount = r.percent(75) ? 0 : r.intBetween(1, 2) * 5;
            d.surcharge = surchargeOf(d.customer);
            if (i % 40 != 7) addLines(r, d, 1, 8);  // a few notes have no lines yet
            total(d);
            Payment p = pay(r, d, 60);
            std::optional<int> quote;
            if (quoteCount_ > 0 && r.percent(10))
                quote = r.intBetween(1, std::max(1, quoteCount_ / 2));
            header.run(
                d.number, d.year, d.company, d.series, Day{d.day}, Clock{d.time},
                r.percent(30) ? std::optional(Day{std::min(d.day + r.intBetween(1, 15), kLastDay)})
                              : std::nullopt,
                d.customer,
                r.percent(20) ? std::optional<std::string>("ENTREGAR POR LA TARDE") : std::nullopt,
                quote, i % 33 == 20 ? 1 : 0, p.paid ? 1 : 0,
                p.paid ? std::optional(p.method) : std::nullopt,
                p.paid ? std::optional(Clock{p.time}) : std::nullopt,
                p.paid ? std::optional(Day{p.day}) : std::nullopt, static_cast<double>(kVat),
                Money{d.totals.total}, Money{d.totals.base}, static_cast<double>(d.discount),
                surchargeRate(d), Money{p.paid ? d.totals.total : 0}, Money{d.totals.discount},
                Money{p.paid ? p.handed : 0}, Money{p.paid ? p.change : 0},
                Money{p.paid ? d.totals.total : 0},
                Money{d.totals.discount + d.totals.lineDiscount});
            insertSalesLines(line, d, true);
        }
        report(header, "ALBARANES");
        report(line, "LIN_ALBARAN");
    }

    // Lines of delivery notes, invoices and tickets share one shape; `yearBeforeCompany`
    // tells whether the key runs (number, year, company, series) or (number, company, year,
    // series).
    static void insertSalesLines(Statement& line, const Document& d, bool yearBeforeCompany) {
        int n = 0;
        for (const Line& l : d.lines) {
            const Article& a = *l.article;
            std::optional<std::string> barcode;
            if (!a.barcode.empty()) barcode = a.barcode;
            std::optional<std::string> brand;
            if (!a.brand.empty()) brand = a.brand;
            int first = yearBeforeCompany ? d.year : d.company;
            int second = yearBeforeCompany ? d.company : d.year;
            line.run(d.number, first, second, d.series, ++n, a.id, barcode, a.description, brand,
                     Quantity{l.quantity}, Money{a.price}, static_cast<double>(l.discount),
                     static_cast<double>(kVat), Money{l.amount});
        }
    }

    // --- tickets ---------------------------------------------------------------------------

    void tickets() {
        Random r = stream("TICKET");
        tickets_.assign(static_cast<std::size_t>(count(150)), Document{});
        for (std::size_t i = 0; i < tickets_.size(); ++i) {
            Document& d = tickets_[i];
            d.company = company(r);
            d.day = randomDay(r);
            d.time = randomTime(r);
            d.series = "T";
            // The till sells mostly to the anonymous customer 1; customer 0 does not exist.
            if (i % 20 == 13)
                d.customer = 0;
            else if (r.percent(85))
                d.customer = 1;
            else
                d.customer = liveCustomer(r);
        }
        number(tickets_);
        Statement header(
            handle(),
            "INSERT INTO TICKET (ID_TICKET,ID_EMPRESA,ANYO,ID_SERIE,IMPRESO,ID_CLIENTE,COBRADO,"
            "FORMAPAGO,HORACOBRO,FECHACOBRO,HORA,FECHA,DESCUENTO,DESCUENTOEURO,BASE_TICKET,"
            "BASE_TICKETSINIVA,IVA,ENTREGA,DEVOLUCION,TOTALCOBRADO,TOTALDESCUENTO) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LINEA_TICKET (ID_TICKET,ID_EMPRESA,ANYO,ID_SERIE,LINEA,"
                       "ID_ARTICULO,CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IVA,"
                       "IMPORTE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (std::size_t i = 0; i < tickets_.size(); ++i) {
            Document& d = tickets_[i];
            d.discount = r.percent(90) ? 0 : 5;
            addLines(r, d, 1, 5);
            total(d);
            // Paid at the till within minutes; cash is handed in round amounts.
            Payment p = pay(r, d, 97);
            p.day = d.day;
            p.time = std::min(d.time + r.intBetween(10, 180), 86399);
            std::optional<std::string> method;
            if (i % 50 != 29) method = r.percent(60) ? "EF" : r.percent(90) ? "TJ" : "BZ";
            if (method == "EF") {
                std::int64_t step = d.totals.total < 2000 ? 500 : 1000;
                p.handed = (d.totals.total + step - 1) / step * step;
            } else {
                p.handed = d.totals.total;
            }
            p.change = p.handed - d.totals.total;
            header.run(d.number, d.company, d.year, d.series, r.percent(95) ? 1 : 0, *d.customer,
                       p.paid ? 1 : 0, method, p.paid ? std::optional(Clock{p.time}) : std::nullopt,
                       p.paid ? std::optional(Day{p.day}) : std::nullopt, Clock{d.time}, Day{d.day},
                       static_cast<double>(d.discount), Money{d.totals.discount},
                       Money{d.totals.total}, Money{d.totals.base}, static_cast<double>(kVat),
                       Money{p.paid ? p.handed : 0}, Money{p.paid ? p.change : 0},
                       Money{p.paid ? d.totals.total : 0},
                       Money{d.totals.discount + d.totals.lineDiscount});
            insertSalesLines(line, d, false);
        }
        report(header, "TICKET");
        report(line, "LINEA_TICKET");
    }

    // --- invoices --------------------------------------------------------------------------

    void invoices() {
        Random r = stream("FACTURAS");
        std::vector<Document> docs(static_cast<std::size_t>(count(60)));
        std::vector<bool> invoiced(albaranes_.size(), false);
        for (std::size_t i = 0; i < docs.size(); ++i) {
            Document& d = docs[i];
            int kind = static_cast<int>(r.below(10));
            int note = kind < 3
                           ? static_cast<int>(r.below(static_cast<std::int64_t>(albaranes_.size())))
                           : -1;
            if (note >= 0 && (invoiced[static_cast<std::size_t>(note)] ||
                              albaranes_[static_cast<std::size_t>(note)].lines.empty()))
                note = -1;
            if (note >= 0) {
                // Invoiced from a delivery note: same company, series and year, a few days later.
                const Document& a = albaranes_[static_cast<std::size_t>(note)];
                invoiced[static_cast<std::size_t>(note)] = true;
                d.company = a.company;
                d.series = a.series;
                d.day = std::min(
                    {a.day + r.intBetween(0, 10), daysFromCivil(a.year, 12, 31), kLastDay});
                d.customer = a.customer;
                d.source = note;
                d.surcharge = a.surcharge;
                d.discount = a.discount;
                d.lines = a.lines;
            } else if (kind == 3) {
                // Invoiced from a till ticket at the customer's request.
                int t = static_cast<int>(r.below(static_cast<std::int64_t>(tickets_.size())));
                const Document& ticket = tickets_[static_cast<std::size_t>(t)];
                d.company = ticket.company;
                d.series = "A";
                d.day = std::min({ticket.day + r.intBetween(0, 3),
                                  daysFromCivil(ticket.year, 12, 31), kLastDay});
                d.customer = *ticket.customer > 1 ? *ticket.customer : liveCustomer(r);
                d.source = kFromTicket + t;
                d.discount = ticket.discount;
                d.lines = ticket.lines;
                d.surcharge = surchargeOf(d.customer);
            } else {
                d.company = company(r);
                d.series = r.percent(85) ? "A" : "B";
                d.day = randomDay(r);
                d.customer = documentCustomer(r, static_cast<int>(i));
                d.surcharge = surchargeOf(d.customer);
                d.discount = r.percent(80) ? 0 : 5;
            }
            d.time = randomTime(r);
        }
        number(docs);

        Statement header(
            handle(),
            "INSERT INTO FACTURAS (ID_FACTURA,ANYO,ID_EMPRESA,ID_SERIE,FECHA,HORA,ID_CLIENTE,"
            "OBSERVACIONES,ID_PRESUPUESTO,ID_ALBARAN,ALBANYO,ALBID_SERIE,ID_TICKET,TICANYO,"
            "TICID_SERIE,ANULADO,COBRADO,ASIENTO,ID_FORMA,IMPRESO,HORACOBRO,FECHACOBRO,IVA,"
            "BASE_FACTURA,DESCUENTO,RE,TOTAL_COBRADO,DESCUENTOEURO,ENTREGA,DEVOLUCION,TOTALCOBRADO,"
            "TOTALDESCUENTO,NUM_FACT,BASE_FACT,EMPRESA,NIF,FECHA_FACTURA,IMPORTEIVA,ULT_FACTURA) "
            "VALUES "
            "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LINEAS_FACTURA (ID_FACTURA,ANYO,ID_EMPRESA,ID_SERIE,LINEA,"
                       "ID_ARTICULO,CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IVA,"
                       "IMPORTE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement link(handle(),
                       "INSERT INTO FACTURASALBARANES (ID_FACTURA,ANYO,ID_EMPRESA,ID_SERIE,"
                       "ID_ALBARAN,ALBANYO,ALBID_SERIE) VALUES (?,?,?,?,?,?,?)");
        Statement freed(handle(),
                        "INSERT INTO FACTURASBORRADAS (EMPRESA,NUM_FACT,NUEVA) VALUES (?,?,?)");

        // The register numbers invoices per company in date order. Some numbers were freed by a
        // deleted invoice: NUEVA 0 when the number is still free, 1 when it was given again.
        std::vector<int> lastNumber(kCompanies + 1, 0);
        std::vector<std::size_t> lastOfCompany(kCompanies + 1, docs.size());
        std::vector<int> registerNumber(docs.size(), 0);
        for (std::size_t i = 0; i < docs.size(); ++i) {
            const auto firm = static_cast<std::size_t>(docs[i].company);
            int next = ++lastNumber[firm];
            if (next % 37 == 5) {
                freed.run(docs[i].company, next, 0);
                next = ++lastNumber[firm];
            }
            if (next % 41 == 7) freed.run(docs[i].company, next, 1);
            registerNumber[i] = next;
            lastOfCompany[firm] = i;
        }

        for (std::size_t i = 0; i < docs.size(); ++i) {
            Document& d = docs[i];
            if (d.lines.empty()) addLines(r, d, 1, 8);
            total(d);
            Payment p = pay(r, d, 55);
            const Document* note = nullptr;
            const Document* ticket = nullptr;
            if (d.source >= kFromTicket)
                ticket = &tickets_[static_cast<std::size_t>(d.source - kFromTicket)];
            else if (d.source >= 0)
                note = &albaranes_[static_cast<std::size_t>(d.source)];
            std::optional<std::string> nif;
            if (d.customer && *d.customer < static_cast<int>(customers_.size())) {
                const std::string& text = customers_[static_cast<std::size_t>(*d.customer)].nif;
                if (!text.empty()) nif = cut(text, 9);
            }
            header.run(
                d.number, d.year, d.company, d.series, Day{d.day}, Clock{d.time}, d.customer,
                note ? std::optional<std::string>("SEGUN ALBARAN " + std::to_string(note->number))
                     : std::nullopt,
                kNull, note ? std::optional(note->number) : std::nullopt,
                note ? std::optional(note->year) : std::nullopt,
                note ? std::optional(note->series) : std::nullopt,
                ticket ? std::optional(ticket->number) : std::nullopt,
                ticket ? std::optional(ticket->year) : std::nullopt,
                ticket ? std::optional(ticket->series) : std::nullopt, i % 45 == 30 ? 1 : 0,
                p.paid ? 1 : 0,
                r.percent(50) ? std::optional(r.intBetween(1, 99999)) : std::nullopt, p.method,
                r.percent(90) ? 1 : 0, p.paid ? std::optional(Clock{p.time}) : std::nullopt,
                p.paid ? std::optional(Day{p.day}) : std::nullopt, static_cast<double>(kVat),
                Money{d.totals.total}, static_cast<double>(d.discount), surchargeRate(d),
                Money{p.paid ? d.totals.total : 0}, Money{d.totals.discount},
                Money{p.paid ? p.handed : 0}, Money{p.paid ? p.change : 0},
                Money{p.paid ? d.totals.total : 0},
                Money{d.totals.discount + d.totals.lineDiscount}, registerNumber[i],
                Money{d.totals.base}, d.company, nif, Day{d.day}, Money{d.totals.vat},
                lastOfCompany[static_cast<std::size_t>(d.company)] == i ? 1 : 0);
            insertSalesLines(line, d, true);
            if (note)
                link.run(d.number, d.year, d.company, d.series, note->number, note->year,
                         note->series);
            invoices_.push_back(d);
        }
        report(header, "FACTURAS");
        report(line, "LINEAS_FACTURA");
        report(link, "FACTURASALBARANES");
        report(freed, "FACTURASBORRADAS");

        Statement next(handle(), "UPDATE EMPRESAS SET SIG_FACTURA = ? WHERE ID_EMPRESA = ?");
        for (int company = 1; company <= kCompanies; ++company)
            next.run(lastNumber[static_cast<std::size_t>(company)] + 1, company);
    }

    // --- payments --------------------------------------------------------------------------

    void payments() {
        Random r = stream("COBRO");
        struct Pending {
            int company, day;
            const Document* doc;
            std::string_view kind;
        };
        std::vector<Pending> list;
        const int n = count(40);
        for (int i = 0; i < n; ++i) {
            bool invoice = r.percent(50) && !invoices_.empty();
            const Document& doc = invoice
                                      ? invoices_[static_cast<std::size_t>(
                                            r.below(static_cast<std::int64_t>(invoices_.size())))]
                                      : albaranes_[static_cast<std::size_t>(
                                            r.below(static_cast<std::int64_t>(albaranes_.size())))];
            list.push_back({doc.company, std::min(doc.day + r.intBetween(0, 20), kLastDay), &doc,
                            invoice ? "FACTURA" : "ALBARAN"});
        }
        std::stable_sort(list.begin(), list.end(), [](const Pending& a, const Pending& b) {
            return std::tie(a.company, a.day) < std::tie(b.company, b.day);
        });
        Statement header(handle(),
                         "INSERT INTO COBRO (ID_COBRO,ANYO,ID_EMPRESA,ID_SERIE,ANYOSERIE,TIPO,ID,"
                         "ID_CLIENTE,OBSERVACIONES,BASE,ESTADO,TOTAL_COBRADO) "
                         "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LINEAS_COBRO (ID_COBRO,ANYO,ID_EMPRESA,LINEA,FECHA,IMPORTE,"
                       "ID_FORMA) VALUES (?,?,?,?,?,?,?)");
        std::map<std::pair<int, int>, int> numbers;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Pending& p = list[i];
            int year = yearOf(p.day);
            int id = ++numbers[{p.company, year}];
            noteLast(counters_.payments, p.company, year, id);
            std::int64_t base = p.doc->totals.total;
            int instalments = i % 15 == 4 ? 0 : r.intBetween(1, 3);
            std::int64_t paid = 0;
            for (int k = 1; k <= instalments; ++k) {
                std::int64_t amount =
                    k == instalments && r.percent(70) ? base - paid : base / (instalments + 1);
                paid += amount;
                line.run(id, year, p.company, k, Day{std::min(p.day + 30 * (k - 1), kLastDay)},
                         Money{amount}, kPaymentMethods[r.below(5)].code);
            }
            std::string_view state = paid == 0 ? "PENDIENTE" : paid >= base ? "COBRADO" : "PARCIAL";
            header.run(id, year, p.company, p.doc->series, p.doc->year, p.kind, p.doc->number,
                       p.doc->customer,
                       r.percent(20) ? std::optional<std::string>("PAGO APLAZADO") : std::nullopt,
                       Money{base}, state, Money{paid});
        }
        report(header, "COBRO");
        report(line, "LINEAS_COBRO");
    }

    // --- goods received and goods out ------------------------------------------------------

    void goodsIn() {
        Random r = stream("E_PROVEEDOR_ACREEDOR");
        std::vector<std::vector<const Article*>> bySupplier(supplierDeleted_.size());
        for (const Article& a : articles_)
            if (a.supplier && a.tracked)
                bySupplier[static_cast<std::size_t>(*a.supplier)].push_back(&a);
        struct Entry {
            int company, day, supplier;
        };
        std::vector<Entry> entries;
        for (int i = 0; i < count(30); ++i)
            entries.push_back({company(r), randomDay(r), liveSupplier(r)});
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return std::tie(a.company, a.day) < std::tie(b.company, b.day);
        });
        Statement header(handle(),
                         "INSERT INTO E_PROVEEDOR_ACREEDOR (ID_ENTRADA,ID_EMPRESA,ANYO,FECHA,"
                         "ID_PROVEEDOR,BASE_ENTRADA,DESCUENTO,IVA) VALUES (?,?,?,?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LIN_E_PROVEEDOR_ACREEDOR (ID_ENTRADA,ID_EMPRESA,ANYO,LINEA,"
                       "ID_ARTICULO,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IMPORTE) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?)");
        std::map<std::pair<int, int>, int> numbers;
        for (const Entry& e : entries) {
            int year = yearOf(e.day);
            int id = ++numbers[{e.company, year}];
            noteLast(counters_.entries, e.company, year, id);
            const auto& own = bySupplier[static_cast<std::size_t>(e.supplier)];
            int n = r.intBetween(1, 10);
            std::int64_t base = 0;
            for (int k = 1; k <= n; ++k) {
                const Article& a = own.empty() ? sellableArticle(r)
                                               : *own[static_cast<std::size_t>(r.below(
                                                     static_cast<std::int64_t>(own.size())))];
                std::int64_t quantity =
                    a.byLength ? 10 * r.between(50, 500) : 10 * r.between(1, 24);
                std::int64_t amount = (quantity * a.cost + 5) / 10;
                base += amount;
                line.run(id, e.company, year, k, a.id, a.description,
                         a.brand.empty() ? std::nullopt : std::optional(a.brand),
                         Quantity{quantity}, Money{a.cost}, 0.0, Money{amount});
            }
            double discount = e.day % 5 == 0 ? 3.0 : 0.0;
            header.run(id, e.company, year, Day{e.day}, e.supplier, Money{base}, discount,
                       e.day % 17 == 0 ? 0.0 : static_cast<double>(kVat));
        }
        report(header, "E_PROVEEDOR_ACREEDOR");
        report(line, "LIN_E_PROVEEDOR_ACREEDOR");
    }

    void goodsOut() {
        Random r = stream("SALIDA");
        struct Out {
            int company, day;
        };
        std::vector<Out> outs;
        for (int i = 0; i < count(12); ++i)
            outs.push_back({company(r), randomDay(r)});
        std::stable_sort(outs.begin(), outs.end(), [](const Out& a, const Out& b) {
            return std::tie(a.company, a.day) < std::tie(b.company, b.day);
        });
        Statement header(handle(),
                         "INSERT INTO SALIDA (ID_SALIDA,ID_EMPRESA,ANYO,FECHA,OBSERVACIONES) "
                         "VALUES (?,?,?,?,?)");
        Statement line(handle(),
                       "INSERT INTO LINEA_SALIDA (ID_SALIDA,ID_EMPRESA,ANYO,LINEA,ID_ARTICULO,"
                       "CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD) VALUES (?,?,?,?,?,?,?,?,?)");
        std::map<std::pair<int, int>, int> numbers;
        for (const Out& o : outs) {
            int year = yearOf(o.day);
            int id = ++numbers[{o.company, year}];
            noteLast(counters_.goodsOut, o.company, year, id);
            header.run(id, o.company, year, Day{o.day}, r.pick(Names(kOutReasons)));
            int n = r.intBetween(1, 4);
            for (int k = 1; k <= n; ++k) {
                const Article& a = sellableArticle(r);
                line.run(id, o.company, year, k, a.id,
                         a.barcode.empty() ? std::nullopt : std::optional(a.barcode), a.description,
                         a.brand.empty() ? std::nullopt : std::optional(a.brand),
                         Quantity{10 * r.between(1, 3)});
            }
        }
        report(header, "SALIDA");
        report(line, "LINEA_SALIDA");
    }

    // --- notices, pending orders, cash counts ----------------------------------------------

    void notices() {
        Random r = stream("AVISOS");
        struct Notice {
            int company, day, time;
        };
        std::vector<Notice> list;
        for (int i = 0; i < count(20); ++i)
            list.push_back({company(r), randomDay(r), randomTime(r)});
        std::stable_sort(list.begin(), list.end(), [](const Notice& a, const Notice& b) {
            return std::tie(a.company, a.day, a.time) < std::tie(b.company, b.day, b.time);
        });
        Statement insert(
            handle(),
            "INSERT INTO AVISOS (ID_AVISO,ID_EMPRESA,ANYO,FECHA_AVISO,HORA,NOMBRE_CONTACTO,"
            "DIRECCION,POBLACION,TELEFONO,MOVIL,MOTIVO_AVISO,COMENTARIOS,FECHA_PARA_VISITA,"
            "HORA_PARA_VISITA,ESTADO,REALIZADO,OBSERVACIONES) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
            "?,?,?)");
        std::map<std::pair<int, int>, int> numbers;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Notice& n = list[i];
            int year = yearOf(n.day);
            int id = ++numbers[{n.company, year}];
            noteLast(counters_.notices, n.company, year, id);
            std::string contact = std::string(r.pick(Names(kFirstNames))) + " " +
                                  std::string(i % 10 == 4 ? "D'OCON" : r.pick(Names(kSurnames)));
            std::string_view state = r.pick(Names(kNoticeStates));
            const Town& town = kTowns[static_cast<std::size_t>(r.below(12))];
            int visit = std::min(n.day + r.intBetween(1, 10), kLastDay);
            insert.run(
                id, n.company, year, Day{n.day}, Clock{n.time}, contact,
                std::string(r.pick(Names(kStreets))) + " " + std::to_string(r.between(1, 90)),
                town.name, "96" + padded(r.between(0, 9999999), 7),
                r.percent(70) ? std::optional("6" + padded(r.between(0, 99999999), 8))
                              : std::nullopt,
                r.pick(Names(kNoticeReasons)),
                r.percent(40) ? std::optional<std::string>("LLAMAR ANTES DE IR") : std::nullopt,
                Day{visit}, Clock{(r.intBetween(9, 19)) * 3600}, state,
                state == "TERMINADO" ? -1 : 0, kNull);
        }
        report(insert, "AVISOS");
    }

    void pendingOrders() {
        Random r = stream("PEDIDOSPENDIENTES");
        Statement insert(
            handle(),
            "INSERT INTO PEDIDOSPENDIENTES (ID_EMPRESA,LINEA,FECHA_NOTA,FECHA_PEDIDO,ID_CLIENTE,"
            "NOMBRE_CONTACTO,ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,MARCA,DESCRIPCION,BRAZOS,"
            "ID_COLOR,CANTIDAD,PEDIDO,COMENTARIOS) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        std::vector<int> lines(kCompanies + 1, 0);
        for (int i = 0; i < count(25); ++i) {
            int firm = company(r);
            const Article& a = sellableArticle(r);
            int day = std::max(randomDay(r), kLastDay - 120);
            bool ordered = r.percent(50);
            std::optional<int> customer;
            if (i % 12 != 5) customer = liveCustomer(r);
            insert.run(firm, ++lines[static_cast<std::size_t>(firm)], Day{day},
                       ordered ? std::optional(Day{std::min(day + r.intBetween(0, 7), kLastDay)})
                               : std::nullopt,
                       customer,
                       std::string(r.pick(Names(kFirstNames))) + " " +
                           std::string(r.pick(Names(kSurnames))),
                       a.supplier, a.supplier ? std::optional(a.supplierCode) : std::nullopt, a.id,
                       a.brand.empty() ? std::nullopt : std::optional(a.brand), a.description,
                       a.arms > 0 ? std::optional(a.arms) : std::nullopt, a.colour,
                       Quantity{10 * r.between(1, 4)}, ordered ? 1 : 0,
                       r.percent(30) ? std::optional<std::string>("AVISAR AL CLIENTE AL LLEGAR")
                                     : std::nullopt);
        }
        report(insert, "PEDIDOSPENDIENTES");
    }

    void cashCounts() {
        Random r = stream("ARQUEODECAJA");
        Statement insert(handle(),
                         "INSERT INTO ARQUEODECAJA (ID_ARQUEO,ID_EMPRESA,ANYO,AFECHA,AHORA,"
                         "SALDO_INICIAL,EFECTIVO,TARJETA,OTROS,CONTADO,DIFERENCIA,OBSERVACIONES) "
                         "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
        const int days = 30 + count(2);
        for (int company = 1; company <= kCompanies; ++company) {
            std::map<int, int> numbers;
            std::vector<int> open;
            for (int day = kLastDay; static_cast<int>(open.size()) < days; --day)
                if (!isSunday(day)) open.push_back(day);
            std::reverse(open.begin(), open.end());
            for (int day : open) {
                int year = yearOf(day);
                std::int64_t start = 15000;
                std::int64_t cash = r.between(5000, 120000) / company;
                std::int64_t card = r.between(5000, 200000) / company;
                std::int64_t other = r.percent(20) ? r.between(1000, 20000) : 0;
                std::int64_t difference = r.percent(85) ? 0 : r.between(-500, 500);
                insert.run(++numbers[year], company, year, Day{day},
                           Clock{20 * 3600 + 1800 + r.intBetween(0, 1200)}, Money{start},
                           Money{cash}, Money{card}, Money{other}, Money{start + cash + difference},
                           Money{difference},
                           difference != 0 ? std::optional<std::string>("DESCUADRE REVISADO")
                                           : std::nullopt);
            }
        }
        report(insert, "ARQUEODECAJA");
    }

    // --- counters --------------------------------------------------------------------------

    // One row per company and year, holding the number of the last document of each kind.
    void counters() {
        Statement insert(handle(),
                         "INSERT INTO OPCIONESNUMERICAS (ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,"
                         "ID_PRESUPUESTO,ID_SALIDA,ID_AVISO) VALUES (?,?,?,?,?,?,?)");
        for (int company = 1; company <= kCompanies; ++company)
            for (int year : kYears) {
                auto last = [&](const std::map<std::pair<int, int>, int>& m) {
                    auto it = m.find({company, year});
                    return it == m.end() ? 0 : it->second;
                };
                insert.run(company, year, last(counters_.payments), last(counters_.entries),
                           last(counters_.quotes), last(counters_.goodsOut),
                           last(counters_.notices));
            }
        report(insert, "OPCIONESNUMERICAS");
    }

    struct Counters {
        std::map<std::pair<int, int>, int> quotes, payments, entries, goodsOut, notices;
    };

    Database& db_;
    const DemoOptions& options_;
    int scale_;
    std::vector<Customer> customers_;    // indexed by ID_CLIENTE; entry 0 unused
    std::vector<bool> supplierDeleted_;  // indexed by ID_PROVEEDOR; entry 0 unused
    std::vector<Article> articles_;
    std::vector<std::pair<std::string, bool>> articleBarcodes_;  // bar code, article tracked
    std::vector<Document> albaranes_;
    std::vector<Document> tickets_;
    std::vector<Document> invoices_;
    int quoteCount_ = 0;
    Counters counters_;
};

// The schema's statements, split at the semicolons that close them, with their comment lines.
std::vector<std::string> ddlStatements() {
    std::vector<std::string> statements;
    std::string current;
    std::string_view ddl = schemaDdl();
    while (!ddl.empty()) {
        std::size_t end = ddl.find('\n');
        std::string_view line = ddl.substr(0, end);
        ddl.remove_prefix(end == std::string_view::npos ? ddl.size() : end + 1);
        current.append(line).push_back('\n');
        std::size_t last = line.find_last_not_of(" \t\r");
        if (last != std::string_view::npos && line[last] == ';' && !line.starts_with("--")) {
            statements.push_back(std::move(current));
            current.clear();
        }
    }
    return statements;
}

bool createsIndex(const std::string& statement) {
    return statement.find("CREATE INDEX") != std::string::npos ||
           statement.find("CREATE UNIQUE INDEX") != std::string::npos;
}

// Creates the file itself, so that two callers cannot both believe they made it.
void createEmptyFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            throw std::runtime_error("Demo database '" + path +
                                     "' already exists; choose a new file name");
        throw std::runtime_error("Cannot create demo database '" + path +
                                 "': " + std::strerror(errno));
    }
    ::close(fd);
}

void removeDatabaseFiles(const std::string& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove(path + suffix, ignored);
}

}  // namespace

void createDemoDatabase(const DemoOptions& options) {
    if (options.scale < 1)
        throw std::invalid_argument("Demo database scale must be at least 1, not " +
                                    std::to_string(options.scale));
    if (options.path.empty()) throw std::invalid_argument("Demo database path is empty");
    createEmptyFile(options.path);
    try {
        Database db(options.path);
        // The load is one transaction into a new file: nothing to protect until it commits.
        db.exec("PRAGMA journal_mode=OFF");
        db.exec("PRAGMA synchronous=OFF");
        db.exec("PRAGMA cache_size=-65536");
        db.exec("BEGIN");
        // Tables first; the indexes are built once the rows are in, which is faster than keeping
        // them up to date row by row.
        const std::vector<std::string> statements = ddlStatements();
        for (const std::string& statement : statements)
            if (!createsIndex(statement)) db.exec(statement);
        if (options.progress) options.progress("tables created");
        Generator(db, options).run();
        for (const std::string& statement : statements)
            if (createsIndex(statement)) db.exec(statement);
        if (options.progress) options.progress("indexes created");
        db.exec("COMMIT");
        db.exec("PRAGMA journal_mode=WAL");
        db.exec("PRAGMA synchronous=FULL");
    } catch (...) {
        removeDatabaseFiles(options.path);
        throw;
    }
}

}  // namespace zorvanil::schema
