#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The words and catalogues the demo data is made of (ASCII only).
namespace zorvanil::schema::demo {

using Names = std::span<const std::string_view>;

inline constexpr std::string_view kFirstNames[] = {
    "ANTONIO", "JOSE",      "MANUEL", "FRANCISCO", "DAVID",  "JUAN",     "JAVIER", "DANIEL",
    "CARLOS",  "JESUS",     "PABLO",  "SERGIO",    "VICENT", "JORDI",    "PERE",   "RAFAEL",
    "MIGUEL",  "ALEJANDRO", "MARIA",  "CARMEN",    "ANA",    "ISABEL",   "LAURA",  "CRISTINA",
    "MARTA",   "LUCIA",     "PILAR",  "ELENA",     "ROSA",   "NURIA",    "AMPARO", "TERESA",
    "PAULA",   "SARA",      "RAQUEL", "BEATRIZ",   "SILVIA", "CONSUELO", "NEUS",   "MONTSERRAT"};

inline constexpr std::string_view kSurnames[] = {
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

inline constexpr Town kTowns[] = {
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

inline constexpr std::string_view kStreets[] = {"CALLE MAYOR",       "AVENIDA DEL PUERTO",
                                                "CALLE COLON",       "PLAZA DEL AYUNTAMIENTO",
                                                "CALLE SAN VICENTE", "AVENIDA BLASCO IBANEZ",
                                                "CALLE DE LA PAZ",   "CAMINO REAL",
                                                "CALLE L'ERA",       "POLIGONO EL OLIVERAL",
                                                "CALLE JAIME I",     "AVENIDA DE FRANCIA",
                                                "CALLE RUZAFA",      "CALLE CUBA",
                                                "AVENIDA DEL CID",   "CALLE DEL MAR",
                                                "CALLE SANTA ANA",   "AVENIDA DE LA CONSTITUCION"};

inline constexpr std::string_view kTrades[] = {
    "ELECTRICIDAD", "REFORMAS",  "CONSTRUCCIONES", "INSTALACIONES", "BAR",
    "RESTAURANTE",  "HOTEL",     "DECORACION",     "INTERIORISMO",  "FERRETERIA",
    "MUEBLES",      "COMERCIAL", "TALLERES",       "ARQUITECTURA",  "CAFETERIA"};

inline constexpr std::string_view kPlaces[] = {
    "EL PUERTO",  "LA HUERTA", "LEVANTE",   "MEDITERRANEO", "DEL TURIA",
    "SOL Y MAR",  "LA PLAZA",  "EL CARMEN", "LA MARINA",    "RUZAFA",
    "BENIMACLET", "L'HORTA",   "LA SAFOR",  "L'ALBUFERA",   "EL CABANYAL"};

// Places with an apostrophe, for the names that the search statements must survive.
inline constexpr std::string_view kApostrophePlaces[] = {"L'HORTA", "L'ALBUFERA", "L'ELIANA",
                                                         "D'ARO"};

inline constexpr std::string_view kCompanySuffixes[] = {"SL", "SA", "SC", "SLU", "CB"};

inline constexpr std::string_view kSupplierWords[] = {"ILUMINACIONES", "DISTRIBUCIONES ELECTRICAS",
                                                      "LAMPARAS",      "MATERIAL ELECTRICO",
                                                      "LUMINOTECNIA",  "IMPORTACIONES",
                                                      "CRISTALERIAS",  "SUMINISTROS"};

inline constexpr std::string_view kBrands[] = {"FARO",    "LEDS C4", "PHILIPS", "OSRAM",    "SIMON",
                                               "NIESSEN", "SULION",  "EGLO",    "TRIO",     "DOPO",
                                               "LEGRAND", "MANTRA",  "ACB",     "SCHNEIDER"};

struct Colour {
    std::string_view code;
    std::string_view description;
};

inline constexpr Colour kColours[] = {
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

inline constexpr PaymentMethod kPaymentMethods[] = {{"EF", "EFECTIVO"},
                                                    {"TJ", "TARJETA DE CREDITO"},
                                                    {"TR", "TRANSFERENCIA BANCARIA"},
                                                    {"RB", "RECIBO DOMICILIADO"},
                                                    {"CH", "CHEQUE"},
                                                    {"BZ", "BIZUM"},
                                                    {"FI", "FINANCIADO"}};

inline constexpr int kVatRates[] = {0, 4, 10, 21};
inline constexpr int kVat = 21;  // every article of the shop carries the general rate
inline constexpr std::int64_t kSurcharge =
    52;  // equivalence surcharge of retailers, in tenths of a percent

struct Family {
    std::string_view code;
    std::string_view description;
};

// The family tree: the code of a family begins with the code of its parent.
inline constexpr Family kFamilies[] = {
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

inline constexpr ArticleKind kArticleKinds[] = {
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

inline constexpr std::string_view kMechanisms[] = {"INTERRUPTOR", "CONMUTADOR", "ENCHUFE SCHUKO",
                                                   "PULSADOR",    "REGULADOR",  "TOMA TV"};
inline constexpr std::string_view kBulbSockets[] = {"E27", "E14", "GU10", "G9", "R7S", "GU5.3"};
inline constexpr std::string_view kCableSections[] = {"1,5 MM", "2,5 MM", "4 MM", "6 MM"};
inline constexpr std::string_view kStyles[] = {"CLASICA", "MODERNA",    "RUSTICA",    "VINTAGE",
                                               "NORDICA", "INDUSTRIAL", "MINIMALISTA"};

inline constexpr std::string_view kOutReasons[] = {"ROTURA EN TIENDA", "USO INTERNO",
                                                   "MUESTRAS PARA FERIA", "DEVOLUCION A PROVEEDOR",
                                                   "REGULARIZACION DE STOCK"};
inline constexpr std::string_view kNoticeReasons[] = {
    "INSTALACION DE LAMPARA",       "AVERIA EN PUNTO DE LUZ", "CAMBIO DE MECANISMOS",
    "REVISION DE CUADRO ELECTRICO", "MONTAJE DE VENTILADOR",  "PRESUPUESTO EN DOMICILIO"};
inline constexpr std::string_view kNoticeStates[] = {"PENDIENTE", "EN CURSO", "TERMINADO",
                                                     "ANULADO"};
inline constexpr std::string_view kQuoteLineStates[] = {"PENDIENTE", "ACEPTADO", "RECHAZADO"};

}  // namespace zorvanil::schema::demo
