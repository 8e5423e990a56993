#include <optional>
#include <string>

#include "schema/demo_tables.hpp"
#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

namespace {

// A Spanish identity number: eight digits and the letter they give.
std::string dni(std::int64_t number) {
    static constexpr char kLetters[] = "TRWAGMYFPDXBNJZSQVHLCKE";
    return padded(number, 8) + kLetters[number % 23];
}

// "<trade> <owner> <company form>", a few with a place name that has an apostrophe in place of
// the owner; the words are drawn last first (see Random).
std::string supplierName(Random& r, int id, const std::string& owner) {
    std::string_view suffix = r.pick(Names(kCompanySuffixes));
    std::string middle = id % 41 == 6 ? std::string(r.pick(Names(kApostrophePlaces))) : owner;
    std::string_view trade = r.pick(Names(kSupplierWords));
    return std::string(trade) + " " + middle + " " + std::string(suffix);
}

}  // namespace

void fillCompanies(DemoRun& run) {
    Statement insert(run.handle(),
                     "INSERT INTO EMPRESAS (ID_EMPRESA,EMPRESA,NOMBRE,CIF_EMPRESA,TIPO,AVISAR,"
                     "SIG_FACTURA) VALUES (?,?,?,?,?,?,?)");
    // SIG_FACTURA is set once the invoices are numbered.
    insert.run(1, 1, "LUZ Y HOGAR DEL TURIA SL", "B46381752", -1, 2, 1);
    insert.run(2, 2, "LUZ Y HOGAR L'HORTA SL", "B98127463", 0, 1, 1);
    run.report(insert, "EMPRESAS");
}

void fillSeriesAndPayments(DemoRun& run) {
    Statement series(run.handle(), "INSERT INTO SERIES (ID_EMPRESA,ANYO,ID_SERIE) VALUES (?,?,?)");
    for (int company = 1; company <= kCompanies; ++company)
        for (int year : kYears)
            for (std::string_view code : kSeries)
                series.run(company, year, code);
    run.report(series, "SERIES");

    Statement payment(run.handle(), "INSERT INTO FORMAPAGO (ID_FORMA,DESCRIPCION) VALUES (?,?)");
    for (const PaymentMethod& p : kPaymentMethods)
        payment.run(p.code, p.description);
    run.report(payment, "FORMAPAGO");

    Statement vat(run.handle(), "INSERT INTO TIPOSIVA (TIPO) VALUES (?)");
    for (int rate : kVatRates)
        vat.run(rate);
    run.report(vat, "TIPOSIVA");
}

void fillFamilies(DemoRun& run) {
    Statement family(run.handle(),
                     "INSERT INTO FAMILIAS (COD_FAMILIA,DESCRIPCION,PROFUNDIDAD) VALUES (?,?,?)");
    for (const Family& f : kFamilies)
        family.run(f.code, f.description, static_cast<int>(f.code.size() / 2));
    run.report(family, "FAMILIAS");

    Statement colour(run.handle(), "INSERT INTO COLORES (ID_COLOR,DESCRIPCION) VALUES (?,?)");
    for (const Colour& c : kColours)
        colour.run(c.code, c.description);
    run.report(colour, "COLORES");
}

// Suppliers and their accounting types.
void fillSuppliers(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("PROVEEDOR_ACREEDOR");
    Statement supplier(
        run.handle(),
        "INSERT INTO PROVEEDOR_ACREEDOR "
        "(ID_PROVEEDOR,NOMBRE,NIF,DIRECCION,POBLACION,COD_POSTAL,"
        "PROVINCIA,MISMA_DIRECCION,DIRECCION_POSTAL,POBLACION_POSTAL,COD_POSTAL_POSTAL,"
        "PROVINCIA_POSTAL,TELEFONO,FAX,EMAIL,HTTP,OBSERVACIONES,BORRADO) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement type(run.handle(),
                   "INSERT INTO TIPOS (ID_PROVEEDOR,ID_TIPO,SUBCUENTA) VALUES (?,?,?)");
    const int n = 30 + run.count(20);
    shop.supplierDeleted.assign(static_cast<std::size_t>(n) + 1, false);
    for (int id = 1; id <= n; ++id) {
        std::string owner(r.pick(Names(kSurnames)));
        std::string name = supplierName(r, id, owner);
        std::string slug;
        for (char c : owner)
            if (c >= 'A' && c <= 'Z') slug += static_cast<char>(c - 'A' + 'a');
        slug += std::to_string(id);
        const Town& town = kTowns[static_cast<std::size_t>(r.below(std::size(kTowns)))];
        std::string number = std::to_string(r.between(1, 120));
        std::string street = std::string(r.pick(Names(kStreets))) + " " + number;
        bool same = r.percent(80);
        const Town& postalTown =
            same ? town : kTowns[static_cast<std::size_t>(r.below(std::size(kTowns)))];
        std::string postalStreet =
            same ? street : "APARTADO DE CORREOS " + std::to_string(r.between(100, 9999));
        bool deleted = id % 33 == 8;
        shop.supplierDeleted[static_cast<std::size_t>(id)] = deleted;
        std::optional<std::string> notes;
        if (r.percent(15)) notes = "PEDIDO MINIMO " + std::to_string(r.between(1, 6) * 50) + " EUR";
        // Last column first (see Random).
        std::string fax = "96" + padded(r.between(0, 9999999), 7);
        std::string phone = "96" + padded(r.between(0, 9999999), 7);
        std::string nif = "B" + padded(r.between(10000000, 99999999), 8);
        supplier.run(id, cut(name, 100), nif, street, town.name, town.postcode, town.province,
                     same ? 1 : 0, postalStreet, postalTown.name, postalTown.postcode,
                     postalTown.province, phone, fax, "pedidos@" + slug + ".es",
                     "www." + slug + ".es", notes, deleted ? -1 : 0);
        type.run(id, 1, "400" + padded(id, 6));
        if (r.percent(30)) type.run(id, 2, "410" + padded(id, 6));
    }
    run.report(supplier, "PROVEEDOR_ACREEDOR");
    run.report(type, "TIPOS");
}

void fillCustomers(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("CLIENTES");
    Statement insert(run.handle(),
                     "INSERT INTO CLIENTES (ID_CLIENTE,NIF,NOMBRE,NOMBRE_COMERCIAL,BORRADO) "
                     "VALUES (?,?,?,?,?)");
    const int n = run.count(1000);
    shop.customers.assign(static_cast<std::size_t>(n) + 1, Customer{});
    // Customer 1 stands for the anonymous buyer of the till.
    insert.run(1, kNull, "CLIENTE CONTADO", "CLIENTE CONTADO", 0);
    for (int id = 2; id <= n; ++id) {
        Customer& c = shop.customers[static_cast<std::size_t>(id)];
        std::string name;
        std::optional<std::string> trade;
        bool business = r.percent(30) || id % 97 == 5;
        if (business) {
            std::string place = id % 97 == 5 ? std::string(r.pick(Names(kApostrophePlaces)))
                                             : std::string(r.pick(Names(kPlaces)));
            std::string trading = std::string(r.pick(Names(kTrades))) + " " + place;
            name = trading + " " + std::string(r.pick(Names(kCompanySuffixes)));
            trade = trading;
            std::int64_t serial = id * 37 + r.between(0, 36) + 10000000;
            c.nif = std::string(r.percent(80) ? "B" : "A") + padded(serial, 8);
            c.surcharge = r.percent(40);
        } else {
            std::string first(r.pick(Names(kFirstNames)));
            std::string surname(r.pick(Names(kSurnames)));
            name = surname + " " + std::string(r.pick(Names(kSurnames))) + ", " + first;
            if (r.percent(40)) trade = first + " " + surname;
            c.nif = dni(id * 37 + r.between(0, 36) + 10000000);
        }
        if (id % 53 == 7) trade = (trade ? *trade : name) + "   ";  // stored with trailing blanks
        c.deleted = id % 50 == 3;
        // Some deleted customers share the tax number of a live one (a customer recreated).
        if (c.deleted && id % 100 == 53)
            c.nif = shop.customers[static_cast<std::size_t>(id - 1)].nif;
        insert.run(id, c.nif, cut(name, 50), trade ? std::optional(cut(*trade, 100)) : trade,
                   c.deleted ? -1 : 0);
    }
    run.report(insert, "CLIENTES");
}

}  // namespace zorvanil::schema::demo
