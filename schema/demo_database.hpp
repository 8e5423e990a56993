#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zorvanil::schema {

// What createDemoDatabase builds: a new SQLite file at `path`, filled with the data of a lighting
// and electrical-goods shop with two companies. `scale` multiplies the data: scale 1 holds about
// 1,000 customers and 1,000 articles, scale 100 about 100,000 of each. The same seed always gives
// the same database. `progress`, when set, receives one line per table as it is filled.
struct DemoOptions {
    std::string path;
    int scale = 1;
    std::uint64_t seed = 20261208;
    std::function<void(std::string_view)> progress;
};

// Creates the database file, runs the schema and fills every table in one transaction. Fails with
// std::runtime_error when the file already exists or the database reports an error (a file it
// created is removed again), and with std::invalid_argument for a scale below 1.
void createDemoDatabase(const DemoOptions& options);

// The schema (schema/zorvanil.sql): statements for DB2 and SQLite, each closed by a semicolon at
// the end of its line.
std::string_view schemaDdl();

}  // namespace zorvanil::schema
